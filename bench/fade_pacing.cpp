// Fades and scene recall against the simulated device, with the real view and its timers:
//   - an eight-channel fade from 0 to 255 over 1 s and over 10 s: the most frames the device took
//     in any 100 ms, each channel's largest distance on the device from its straight line (goal:
//     the slope times 40 ms, rounded up), the fade's end to its last frame, and the CPU the panel
//     used meanwhile (every thread but the simulator's);
//   - recall of a scene with fade time 0 by its F-key: key event to the eighth frame at the device.
//   QT_QPA_PLATFORM=offscreen fade_pacing_bench [recalls]
#include "DevSim.h"
#include "ProcessThreads.h"
#include "session/DeviceSession.h"
#include "ui/view/CMorvixView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <set>
#include <vector>

namespace {

// Runs the event loop, sleeping between events, for `ms` or until `done` holds (checked every
// millisecond).
void RunLoop(int ms, const std::function<bool()>& done = {}) {
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer t;
    t.start();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (t.elapsed() >= ms || (done && done()))
            loop.quit();
    });
    poll.start(1);
    loop.exec();
}

struct FadeFigures {
    int mostIn100Ms = 0;
    double worstDistance = 0; // levels, over all channels
    double goal = 0;
    double endToLastMs = 0;
    double cpuPercent = 0;
    int frames = 0;
};

// The bench sets channels up as a script would.
const ChangeOrigin kBench{ChangeOrigin::Kind::Script, 1};

FadeFigures MeasureFade(DevSim& sim, PanelController& panel, int simTid, double seconds) {
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        panel.Session().Request(SessionRequest::Set(c + 1, true, 0), kBench);
    RunLoop(200);
    sim.clearLog();

    FadeTargets targets;
    targets.fill(ChannelSetting{true, 255});
    const std::int64_t cpuBefore = CpuNs(simTid);
    const std::int64_t t0 = DevSim::nowUs();
    panel.Session().StartFade(targets, seconds);
    {
        QEventLoop loop;
        QObject::connect(&panel.Session(), &DeviceSession::FadingChanged, &loop, [&](bool fading) {
            if (!fading)
                loop.quit();
        });
        if (panel.Session().Fading())
            loop.exec();
    }
    const std::int64_t ended = DevSim::nowUs();
    const std::int64_t cpuAfter = CpuNs(simTid);
    RunLoop(100);

    FadeFigures f;
    const std::vector<DevSimFrame> frames = sim.validFrames();
    f.frames = static_cast<int>(frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        int n = 0;
        for (std::size_t j = i; j < frames.size(); ++j)
            n += frames[j].timestampUs < frames[i].timestampUs + 100'000 ? 1 : 0;
        f.mostIn100Ms = std::max(f.mostIn100Ms, n);
    }
    const double durationUs = seconds * 1e6;
    const auto line = [&](std::int64_t t) {
        return 255.0 * std::clamp(double(t - t0) / durationUs, 0.0, 1.0);
    };
    f.goal = std::ceil(255.0 * 0.040 / seconds - 1e-9);
    const std::int64_t end = t0 + std::int64_t(durationUs);
    for (int c = 1; c <= CHANNEL_COUNT; ++c) {
        // The device holds a level from one frame to the next: the line is farthest from it at
        // either end of that stretch.
        double level = 0;
        std::int64_t since = t0;
        for (const DevSimFrame& frame : frames) {
            if (frame.command.channel != c)
                continue;
            const std::int64_t at = frame.timestampUs;
            f.worstDistance = std::max(
                {f.worstDistance, std::abs(level - line(since)), std::abs(level - line(at))});
            level = frame.command.level;
            since = at;
        }
        f.worstDistance = std::max(f.worstDistance, std::abs(level - line(std::max(since, end))));
    }
    if (!frames.empty())
        f.endToLastMs = double(frames.back().timestampUs - end) / 1000.0;
    f.cpuPercent = 100.0 * double(cpuAfter - cpuBefore) / double((ended - t0) * 1000);
    return f;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int recalls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

    const std::set<int> before = ThreadIds();
    DevSim sim;
    if (!sim.start()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    int simTid = -1;
    for (int tid : ThreadIds())
        if (!before.count(tid))
            simTid = tid;

    DeviceSession session;

    CMorvixView view(session);
    PanelController& panel = view.Panel();
    panel.ResetState();
    panel.Session().BuildPaths();
    panel.Session().Settings().SetPortName(sim.portPath());
    panel.Session().Connect();
    panel.Session().Link().StopSynchronisation();
    if (!panel.Session().PortOpen())
        return 1;

    for (double seconds : {1.0, 10.0}) {
        const FadeFigures f = MeasureFade(sim, panel, simTid, seconds);
        std::printf("fade 8 channels 0 to 255 over %.0f s: %d frames, most in 100 ms %d, "
                    "largest distance from the line %.1f levels (goal %.0f), end to last frame "
                    "%.1f ms, CPU %.2f %% of a core\n",
                    seconds, f.frames, f.mostIn100Ms, f.worstDistance, f.goal, f.endToLastMs,
                    f.cpuPercent);
    }

    // Two scenes far apart, so that every recall moves all eight channels.
    for (int slot : {1, 2}) {
        for (int c = 0; c < CHANNEL_COUNT; ++c)
            panel.Session().Request(SessionRequest::Set(c + 1, true, slot == 1 ? 200 : 40), kBench);
        if (!panel.Session().StoreScene(slot).isEmpty())
            return 1;
    }
    RunLoop(100);
    std::vector<double> latencies;
    for (int i = 0; i < recalls; ++i) {
        RunLoop(30);
        sim.clearLog();
        QKeyEvent press(QEvent::KeyPress, i % 2 == 0 ? Qt::Key_F2 : Qt::Key_F3, Qt::NoModifier);
        const std::int64_t sent = DevSim::nowUs();
        QCoreApplication::sendEvent(&view, &press);
        RunLoop(2000, [&] { return sim.validFrameCount() >= CHANNEL_COUNT; });
        if (sim.validFrameCount() < CHANNEL_COUNT) {
            std::fprintf(stderr, "recall %d: %d frames\n", i, sim.validFrameCount());
            return 1;
        }
        latencies.push_back(double(sim.validFrames()[CHANNEL_COUNT - 1].timestampUs - sent));
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) {
        return latencies[std::min(latencies.size() - 1, std::size_t(q * latencies.size()))];
    };
    std::printf("scene recall to eighth frame over %zu recalls: median %.0f us, p99 %.0f us, "
                "max %.0f us\n",
                latencies.size(), at(0.5), at(0.99), latencies.back());
    return 0;
}
