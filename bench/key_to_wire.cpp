// Latency from a Right-arrow key event delivered to the view to the frame being readable on the
// simulated device's side of the pseudo-terminal, over 1,000 presses.
//   QT_QPA_PLATFORM=offscreen key_to_wire_bench [presses]
#include "DevSim.h"
#include "ui/view/CMorvixView.h"

#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;

    DevSim sim;
    if (!sim.start()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    CMorvixView view;
    PanelController& panel = view.Panel();
    panel.ResetState();
    panel.m_channelPower[0] = 1;
    panel.m_portName = sim.portPath();
    panel.Connect();
    panel.StopTimer(TIMER_SYNC);
    if (!panel.PortOpen())
        return 1;

    std::vector<double> latencies;
    latencies.reserve(static_cast<std::size_t>(presses));
    for (int i = 0; i < presses; ++i) {
        // Start from a quiet line: the previous answer handled, nothing pending.
        app.processEvents();
        sim.clearLog();
        panel.m_channelLevel[0] = i % 200;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        const std::int64_t sent = DevSim::nowUs();
        QCoreApplication::sendEvent(&view, &press);
        if (!sim.waitForValidFrames(1, 2000)) {
            std::fprintf(stderr, "frame %d did not arrive\n", i);
            return 1;
        }
        latencies.push_back(double(sim.validFrames().front().timestampUs - sent));
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) {
        return latencies[std::min(latencies.size() - 1, std::size_t(q * latencies.size()))];
    };
    std::printf("key to wire over %d presses: median %.0f us, p99 %.0f us, max %.0f us\n", presses,
                at(0.5), at(0.99), latencies.back());
    return 0;
}
