// Latency from a Right-arrow key event to the frame being readable on the simulated device's side
// of the pseudo-terminal.
//   QT_QPA_PLATFORM=offscreen key_to_wire_bench [presses]          quiet line, event sent directly
//   QT_QPA_PLATFORM=offscreen key_to_wire_bench [presses] --flood  the device floods noise at
//       line rate (19200 baud, 8O1: 1745 bytes/s) while the panel's event loop runs; each key is
//       posted to it at a random moment, as the window system's would be, and the time is split
//       into the wait for the UI thread (busy with the watcher's hand-overs), the key handler
//       with its write, and the way from the write to the device. --flood=<bytes/s> sets another
//       rate; --flood=0 is the same harness on a quiet line.
#include "DevSim.h"
#include "ProcessThreads.h"
#include "session/DeviceSession.h"
#include "ui/view/CMorvixView.h"

#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Percentiles {
    explicit Percentiles(std::vector<double> v) : values(std::move(v)) {
        std::sort(values.begin(), values.end());
    }
    double at(double q) const {
        return values.empty()
                   ? 0
                   : values[std::min(values.size() - 1, std::size_t(q * double(values.size())))];
    }
    std::vector<double> values;
};

// What the scheduler says of one thread: time on a core, time waiting for one, and its context
// switches (each a wake-up or a preemption).
struct SchedStat {
    double runMs = 0, waitMs = 0;
    long switches = 0;
    static SchedStat Of(long tid) {
        SchedStat s;
        const std::string dir = "/proc/self/task/" + std::to_string(tid) + "/";
        std::ifstream sched(dir + "schedstat");
        double runNs = 0, waitNs = 0;
        if (sched >> runNs >> waitNs) {
            s.runMs = runNs / 1e6;
            s.waitMs = waitNs / 1e6;
        }
        std::ifstream status(dir + "status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                s.switches += std::stol(line.substr(line.find(':') + 1));
        }
        return s;
    }
};

struct NamedThread {
    const char* name;
    long tid;
    SchedStat start;
};

// Lives on the UI thread: hands a posted press to the view and notes when it began and ended.
class KeyRelay : public QObject {
public:
    KeyRelay(CMorvixView& view) : m_view(view) {}
    std::atomic<std::int64_t> handlerStartUs{0};
    std::atomic<std::int64_t> handlerEndUs{0};

protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        handlerStartUs = DevSim::nowUs();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QCoreApplication::sendEvent(&m_view, &press);
        handlerEndUs = DevSim::nowUs();
        return true;
    }

private:
    CMorvixView& m_view;
};

// Counts the watcher's hand-overs on their way to the panel.
struct HandOverCounter {
    long bursts = 0;
    long bytes = 0;
    void Install(PanelController& panel) {
        panel.Session().Com().SetReceiver(&panel, {[this, &panel](const RxBurst& burst) {
                                                       ++bursts;
                                                       bytes += static_cast<long>(burst.count);
                                                       panel.Session().OnCommRx(burst);
                                                   },
                                                   [&panel] { panel.Session().OnPortClosed(); }});
    }
};

int QuietRun(QApplication& app, DevSim& sim, CMorvixView& view, int presses) {
    PanelController& panel = view.Panel();
    std::vector<double> latencies;
    latencies.reserve(static_cast<std::size_t>(presses));
    for (int i = 0; i < presses; ++i) {
        // Start from a quiet line: the previous answer handled, nothing pending.
        app.processEvents();
        sim.clearLog();
        ChannelModel channels = panel.Channels();
        channels.SetLevel(0, i % 200);
        panel.Session().RestoreChannels(channels);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        const std::int64_t sent = DevSim::nowUs();
        QCoreApplication::sendEvent(&view, &press);
        if (!sim.waitForValidFrames(1, 2000)) {
            std::fprintf(stderr, "frame %d did not arrive\n", i);
            return 1;
        }
        latencies.push_back(double(sim.validFrames().front().timestampUs - sent));
    }
    const Percentiles p(std::move(latencies));
    std::printf("key to wire over %d presses: median %.0f us, p99 %.0f us, max %.0f us\n", presses,
                p.at(0.5), p.at(0.99), p.values.back());
    return 0;
}

int FloodRun(QApplication& app, DevSim& sim, CMorvixView& view, int presses,
             std::vector<NamedThread> threads) {
    // On screen, as the operator has it: answers and ticks repaint it.
    view.show();
    KeyRelay relay(view);
    HandOverCounter counter;
    counter.Install(view.Panel());
    std::vector<double> total, queued, handler, wire;
    std::atomic<bool> failed{false};
    const std::int64_t startUs = DevSim::nowUs();

    for (NamedThread& t : threads)
        t.start = SchedStat::Of(t.tid);
    std::thread driver([&] {
        std::mt19937 random(0x5EED);
        std::uniform_int_distribution<int> pause(2000, 12000);
        for (int i = 0; i < presses; ++i) {
            // A random moment, so presses fall anywhere in the watcher's reads and hand-overs.
            std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
            sim.clearLog();
            relay.handlerEndUs = 0;
            const std::int64_t posted = DevSim::nowUs();
            QCoreApplication::postEvent(&relay, new QEvent(QEvent::User));
            if (!sim.waitForValidFrames(1, 2000)) {
                std::fprintf(stderr, "frame %d did not arrive\n", i);
                failed = true;
                break;
            }
            const std::int64_t arrived = sim.validFrames().front().timestampUs;
            // The handler's end is noted after its write returned; wait for it.
            while (relay.handlerEndUs.load() == 0)
                std::this_thread::yield();
            const std::int64_t in = relay.handlerStartUs, out = relay.handlerEndUs;
            total.push_back(double(arrived - posted));
            queued.push_back(double(in - posted));
            handler.push_back(double(out - in));
            wire.push_back(double(std::max<std::int64_t>(0, arrived - std::min(arrived, out))));
        }
        QMetaObject::invokeMethod(
            &app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    });
    app.exec();
    driver.join();
    if (failed)
        return 1;
    const double seconds = double(DevSim::nowUs() - startUs) / 1e6;
    const Percentiles t(total), q(queued), h(handler), w(wire);
    std::printf(
        "key to wire under flood over %d presses: median %.0f us, p99 %.0f us, max %.0f us\n",
        presses, t.at(0.5), t.at(0.99), t.values.back());
    std::printf("  waiting for the UI thread: median %.0f us, p99 %.0f us, max %.0f us\n",
                q.at(0.5), q.at(0.99), q.values.back());
    std::printf("  key handler and write:     median %.0f us, p99 %.0f us, max %.0f us\n",
                h.at(0.5), h.at(0.99), h.values.back());
    std::printf("  write to the device:       median %.0f us, p99 %.0f us, max %.0f us\n",
                w.at(0.5), w.at(0.99), w.values.back());
    std::printf("  received %.0f bytes/s in %.0f hand-overs/s\n", double(counter.bytes) / seconds,
                double(counter.bursts) / seconds);
    std::printf("  per second: %-8s %9s %11s %9s\n", "thread", "on a core", "waiting", "switches");
    for (const NamedThread& t : threads) {
        const SchedStat end = SchedStat::Of(t.tid);
        std::printf("              %-8s %6.1f ms %8.1f ms %9.0f\n", t.name,
                    (end.runMs - t.start.runMs) / seconds, (end.waitMs - t.start.waitMs) / seconds,
                    double(end.switches - t.start.switches) / seconds);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int presses = 1000;
    bool flood = false;
    int floodRate = DEVSIM_LINE_RATE_BYTES_PER_SEC;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--flood") == 0) {
            flood = true;
        } else if (std::strncmp(argv[i], "--flood=", 8) == 0) {
            flood = true;
            floodRate = std::max(0, std::atoi(argv[i] + 8));
        } else
            presses = std::max(1, std::atoi(argv[i]));
    }

    const std::set<int> before = ThreadIds();
    DevSim sim(DevSimOptions{.faults = {.floodBytesPerSec = flood ? floodRate : 0}});
    if (!sim.start()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    std::set<int> simThreads = ThreadIds();
    for (int id : before)
        simThreads.erase(id);
    DeviceSession session;
    CMorvixView view(session);
    PanelController& panel = view.Panel();
    panel.ResetState();
    ChannelModel channels = panel.Channels();
    channels.SetPower(0, 1);
    panel.Session().RestoreChannels(channels);
    panel.Session().Settings().SetPortName(sim.portPath());
    panel.Session().Connect();
    panel.Session().Link().StopSynchronisation();
    if (!panel.Session().PortOpen())
        return 1;
    if (!flood)
        return QuietRun(app, sim, view, presses);
    std::vector<NamedThread> threads{{"UI", long(::getpid()), {}}};
    for (int id : simThreads)
        threads.push_back({"device", id, {}});
    for (int id : ThreadIds()) {
        if (!before.count(id) && !simThreads.count(id))
            threads.push_back({"watcher", id, {}});
    }
    return FloodRun(app, sim, view, presses, std::move(threads));
}
