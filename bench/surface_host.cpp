// The control surface's road on this machine without ALSA: decoded MIDI events handed to the
// surface's engine as its sequencer hands them over, the real session and view, the simulated
// device on a pseudo-terminal. The VM bench measures the same with the kernel's sequencer, but
// under software emulation; these are the figures of the program itself.
//   - fader to wire: one fader moved, event to frame at the device;
//   - a sweep of all eight faders at 100 events a second each for 5 s: most frames in any 100 ms,
//     the value of each frame from its event to the wire, the final levels, the panel's own key
//     (Space, the selected channel's switch) to wire meanwhile, and the panel's CPU;
//   - feedback: a change from elsewhere (a script's) to the controller's message.
//   QT_QPA_PLATFORM=offscreen surface_host_bench
#include "DevSim.h"
#include "ProcessThreads.h"
#include "session/DeviceSession.h"
#include "surface/SurfaceEngine.h"
#include "surface/SurfaceProfile.h"
#include "surface_host/SurfaceHostRun.h"
#include "ui/view/CMorvixView.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <set>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
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
    // On screen, as the operator has it: every change the sweep makes is painted too.
    view.show();
    PanelController& panel = view.Panel();
    panel.ResetState();
    session.BuildPaths();
    session.Settings().SetPortName(sim.portPath());
    session.Connect();
    session.Link().StopSynchronisation();
    if (!session.PortOpen())
        return 1;

    SurfaceEngine engine(session);
    engine.Configure(GenericSurfaceProfile(), LearnedMap{}, false);
    SurfaceHostRun run(sim, session, view, engine, simTid);
    engine.Connect();

    const Figures fader = run.FaderToWire(300);
    std::printf("surface fader to wire (host, no ALSA): median %.2f ms, p99 %.2f ms, %zu moves, "
                "%zu over 25 ms\n",
                fader.Median(), fader.P99(), fader.values.size(), fader.Over(25.0));
    const SweepFigures sweep = run.Sweep();
    std::printf("surface sweep 8 faders x 100/s for 5 s (host, no ALSA): most frames in 100 ms %d, "
                "newest value to wire median %.2f ms p99 %.2f ms (%zu frames), final levels as "
                "last sent %d of 8, key to wire meanwhile median %.2f ms p99 %.2f ms (%zu of %d "
                "presses), panel CPU %.1f %% of a core\n",
                sweep.mostIn100Ms, sweep.valueToWire.Median(), sweep.valueToWire.P99(),
                sweep.valueToWire.values.size(), sweep.finalMatches, sweep.keyToWire.Median(),
                sweep.keyToWire.P99(), sweep.keyToWire.values.size(), sweep.presses,
                sweep.cpuPercent);
    const Figures feedback = run.Feedback(300);
    std::printf("surface feedback, a script's change to the controller's message (host, no "
                "ALSA): median %.2f ms, p99 %.2f ms, %zu changes\n",
                feedback.Median(), feedback.P99(), feedback.values.size());
    const bool ok = fader.values.size() == 300 && sweep.finalMatches == CHANNEL_COUNT &&
                    sweep.keyToWire.values.size() == std::size_t(sweep.presses) &&
                    feedback.values.size() == 300;
    return ok ? 0 : 1;
}
