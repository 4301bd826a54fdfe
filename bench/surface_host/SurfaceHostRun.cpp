#include "surface_host/SurfaceHostRun.h"

#include "DevSim.h"
#include "ProcessThreads.h"
#include "session/DeviceSession.h"
#include "surface/SurfaceEngine.h"
#include "ui/view/CMorvixView.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>
#include <array>
#include <functional>

namespace {

// The bench sets channels up and changes them from elsewhere as a script would.
const ChangeOrigin kBench{ChangeOrigin::Kind::Script, 1};
constexpr int kSweepRate = 100; // events a second per fader
constexpr int kSweepSeconds = 5;
constexpr int kPressEveryMs = 200; // the panel's own key meanwhile

int LevelOf(int value) {
    return (value * 255 + 63) / 127;
}

int ValueOf(int level) {
    return (level * 127 + 127) / 255;
}

// Runs the event loop for `ms` or until `done` holds (checked every millisecond).
void RunLoop(int ms, const std::function<bool()>& done = {}) {
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QElapsedTimer t;
    t.start();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (t.elapsed() >= ms || (done && done()))
            loop.quit();
    });
    poll.start(1);
    loop.exec();
}

bool IsSet(const DevSimFrame& f) {
    return f.command.kind == DevSimCommandKind::Set;
}

} // namespace

double Figures::Median() const {
    if (values.empty())
        return 0;
    std::vector<double> v = values;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Figures::P99() const {
    if (values.empty())
        return 0;
    std::vector<double> v = values;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, v.size() * 99 / 100)];
}

std::size_t Figures::Over(double ms) const {
    return std::size_t(
        std::count_if(values.begin(), values.end(), [ms](double v) { return v > ms; }));
}

SurfaceHostRun::SurfaceHostRun(DevSim& sim, DeviceSession& session, CMorvixView& view,
                               SurfaceEngine& engine, int simTid)
    : m_sim(sim), m_session(session), m_view(view), m_engine(engine), m_simTid(simTid) {
    m_engine.SetOutput([this](const MidiEvent& e) {
        if (e.type != MidiEvent::Type::ControlChange)
            return;
        m_feedbackUs.push_back(DevSim::nowUs());
        m_feedbackNumber.push_back(e.number);
        m_feedbackValue.push_back(e.value);
    });
}

void SurfaceHostRun::Fader(int channel, int value) {
    m_engine.Receive(MidiEvent{MidiEvent::Type::ControlChange, 0, channel, value});
}

Figures SurfaceHostRun::FaderToWire(int moves) {
    for (int c = 1; c <= CHANNEL_COUNT; ++c)
        m_session.Request(SessionRequest::Set(c, true, 0), kBench);
    RunLoop(200);
    Figures f;
    for (int i = 0; i < moves; ++i) {
        RunLoop(25);
        m_sim.clearLog();
        const int value = 20 + (i * 37) % 100;
        const std::int64_t t0 = DevSim::nowUs();
        Fader(0, value);
        std::int64_t at = 0;
        RunLoop(2000, [&] {
            for (const DevSimFrame& frame : m_sim.validFrames())
                if (IsSet(frame) && frame.command.channel == 1 &&
                    frame.command.level == LevelOf(value))
                    at = frame.timestampUs;
            return at != 0;
        });
        if (at)
            f.values.push_back(double(at - t0) / 1000.0);
    }
    return f;
}

SweepFigures SurfaceHostRun::Sweep() {
    for (int c = 1; c <= CHANNEL_COUNT; ++c)
        m_session.Request(SessionRequest::Set(c, true, 0), kBench);
    RunLoop(300);
    m_sim.clearLog();

    struct Sent {
        std::int64_t us;
        int level;
    };
    std::array<std::vector<Sent>, CHANNEL_COUNT> sent;
    std::array<int, CHANNEL_COUNT> last{};
    std::vector<std::int64_t> presses;
    const int perFader = kSweepRate * kSweepSeconds;
    const std::int64_t periodUs = 1'000'000 / kSweepRate;
    int next = 0; // messages sent, faders interleaved
    const std::int64_t start = DevSim::nowUs();
    const std::int64_t cpu0 = CpuNs(m_simTid);
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &m_view, [&] {
        const std::int64_t now = DevSim::nowUs();
        while (next < perFader * CHANNEL_COUNT) {
            const int k = next / CHANNEL_COUNT;
            const int fader = next % CHANNEL_COUNT;
            if (start + k * periodUs + fader * periodUs / CHANNEL_COUNT > now)
                break;
            const int phase = (k + 31 * fader) % 254;
            const int value = phase <= 127 ? phase : 254 - phase;
            sent[fader].push_back({DevSim::nowUs(), LevelOf(value)});
            last[fader] = value;
            Fader(fader, value);
            ++next;
        }
        const std::int64_t pressAt =
            start + (kPressEveryMs / 2 + kPressEveryMs * std::int64_t(presses.size())) * 1000;
        if (pressAt <= now && pressAt < start + kSweepSeconds * 1'000'000 - 200'000) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
            presses.push_back(DevSim::nowUs());
            QCoreApplication::sendEvent(&m_view, &press);
        }
    });
    timer.start(1);
    RunLoop(kSweepSeconds * 1000 + 2000, [&] { return next == perFader * CHANNEL_COUNT; });
    timer.stop();
    const std::int64_t end = DevSim::nowUs();
    const std::int64_t cpu1 = CpuNs(m_simTid);
    RunLoop(500);

    SweepFigures f;
    f.presses = int(presses.size());
    f.cpuPercent = 100.0 * double(cpu1 - cpu0) / double((end - start) * 1000);
    const std::vector<DevSimFrame> frames = m_sim.validFrames();
    for (std::size_t i = 0, j = 0; j < frames.size(); ++j) {
        while (frames[j].timestampUs - frames[i].timestampUs >= 100'000)
            ++i;
        f.mostIn100Ms = std::max(f.mostIn100Ms, int(j - i + 1));
    }
    std::array<int, CHANNEL_COUNT> device{};
    for (const DevSimFrame& frame : frames) {
        if (!IsSet(frame) || frame.command.channel < 1 || frame.command.channel > CHANNEL_COUNT)
            continue;
        const auto& mine = sent[std::size_t(frame.command.channel - 1)];
        for (auto it = mine.rbegin(); it != mine.rend(); ++it)
            if (it->us <= frame.timestampUs && it->level == frame.command.level) {
                f.valueToWire.values.push_back(double(frame.timestampUs - it->us) / 1000.0);
                break;
            }
        device[std::size_t(frame.command.channel - 1)] = frame.command.level;
    }
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        f.finalMatches += device[std::size_t(c)] == LevelOf(last[std::size_t(c)]) ? 1 : 0;
    // Space toggles the selected channel (the first): each press's frame carries the switch it
    // set, before the next press sets it back.
    for (std::size_t p = 0; p < presses.size(); ++p) {
        const int power = p % 2 == 0 ? 0 : 1;
        const std::int64_t until = p + 1 < presses.size() ? presses[p + 1] : end + 500'000;
        for (const DevSimFrame& frame : frames)
            if (IsSet(frame) && frame.command.channel == 1 && frame.timestampUs >= presses[p] &&
                frame.timestampUs < until && frame.command.power == power) {
                f.keyToWire.values.push_back(double(frame.timestampUs - presses[p]) / 1000.0);
                break;
            }
    }
    return f;
}

Figures SurfaceHostRun::Feedback(int changes) {
    RunLoop(100);
    Figures f;
    for (int i = 0; i < changes; ++i) {
        RunLoop(30);
        m_feedbackUs.clear();
        m_feedbackNumber.clear();
        m_feedbackValue.clear();
        const int level = 30 + (i * 53) % 200;
        const std::int64_t t0 = DevSim::nowUs();
        m_session.Request(SessionRequest::Set(5, true, level), kBench);
        std::int64_t at = 0;
        RunLoop(2000, [&] {
            for (std::size_t k = 0; k < m_feedbackUs.size(); ++k)
                if (m_feedbackNumber[k] == 4 && m_feedbackValue[k] == ValueOf(level))
                    at = m_feedbackUs[k];
            return at != 0;
        });
        if (at)
            f.values.push_back(double(at - t0) / 1000.0);
    }
    return f;
}
