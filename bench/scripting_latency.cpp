// Latency from a script's change to the frame at the simulated device, against the real panel
// (build/morvix, offscreen) on a private session bus:
//   - a method call on an already connected client (MorvixClient::SetLevel), 1,000 calls;
//   - `morvix-ctl set 3 on LEVEL` as a whole process, start included, 200 runs.
//   scripting_latency_bench [calls] [processes]
#include "DevSim.h"
#include "scripting/MorvixClient.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void Report(const char* what, std::vector<double> us) {
    std::sort(us.begin(), us.end());
    const auto at = [&](double q) {
        return us[std::min(us.size() - 1, std::size_t(q * us.size()))];
    };
    std::printf("%s over %zu: median %.0f us, p99 %.0f us, max %.0f us\n", what, us.size(), at(0.5),
                at(0.99), us.back());
}

// Waits for the one frame the change caused and gives its arrival time.
bool FrameArrival(DevSim& sim, std::int64_t& arrivedUs) {
    if (!sim.waitForValidFrames(1, 5000))
        return false;
    arrivedUs = sim.validFrames().front().timestampUs;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int processes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    const QString buildDir = QCoreApplication::applicationDirPath() + QStringLiteral("/..");

    // A bus and a settings folder of our own: the user's are never touched.
    QProcess bus;
    bus.start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--session"), QStringLiteral("--nofork"),
               QStringLiteral("--print-address=1")});
    if (!bus.waitForStarted() || !bus.waitForReadyRead(5000)) {
        std::fprintf(stderr, "dbus-daemon did not start\n");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed());
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

    DevSim sim;
    if (!sim.start()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    QDir().mkpath(config.path() + QStringLiteral("/QV/Morvix"));
    QFile ini(config.path() + QStringLiteral("/QV/Morvix/set.ini"));
    if (!ini.open(QIODevice::WriteOnly) ||
        ini.write("[set]\r\nPort=" + sim.portPath().toLocal8Bit() + "\r\n[CH SET]\r\n") < 0)
        return 1;
    ini.close();

    QProcess panel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    panel.setProcessEnvironment(env);
    panel.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    panel.start(buildDir + QStringLiteral("/morvix"), {});
    // Start-up poll and the eight channels of the synchronisation, then a quiet line.
    if (!panel.waitForStarted() || !sim.waitForValidFrames(9, 10000)) {
        std::fprintf(stderr, "panel did not start\n");
        return 1;
    }
    QThread::msleep(300);

    MorvixClient client;
    std::vector<double> callToFrame, callReturn;
    for (int i = 0; i < calls; ++i) {
        sim.clearLog();
        const std::int64_t start = DevSim::nowUs();
        const auto result = client.SetLevel(1, i % 200);
        const std::int64_t returned = DevSim::nowUs();
        std::int64_t arrived = 0;
        if (!result.ok() || !FrameArrival(sim, arrived)) {
            std::fprintf(stderr, "call %d: %s\n", i, qPrintable(result.message));
            return 1;
        }
        callToFrame.push_back(double(arrived - start));
        callReturn.push_back(double(returned - start));
    }

    std::vector<double> processToFrame;
    const QString ctl = buildDir + QStringLiteral("/morvix-ctl");
    for (int i = 0; i < processes; ++i) {
        sim.clearLog();
        QProcess run;
        const std::int64_t start = DevSim::nowUs();
        run.start(ctl, {QStringLiteral("set"), QStringLiteral("3"), QStringLiteral("on"),
                        QString::number(i % 200)});
        std::int64_t arrived = 0;
        if (!FrameArrival(sim, arrived) || !run.waitForFinished(5000) || run.exitCode() != 0) {
            std::fprintf(stderr, "run %d: %s\n", i, run.readAllStandardError().constData());
            return 1;
        }
        processToFrame.push_back(double(arrived - start));
    }

    Report("method call to frame at device", callToFrame);
    Report("method call round trip", callReturn);
    Report("morvix-ctl set process to frame at device", processToFrame);

    panel.kill();
    panel.waitForFinished();
    bus.kill();
    bus.waitForFinished();
    return 0;
}
