// Long run of the real view under random operator input, on a simulated device that now and then
// goes silent for a few seconds or is unplugged and plugged in again (the panel then reconnects as
// Setup's OK does). Prints resident memory, CPU and frames at every interval.
//   QT_QPA_PLATFORM=offscreen morvix_soak [seconds] [interval-seconds] [seed]
// CPU is the whole process: the panel with its painting, and the simulated device's thread.
#include "DevSim.h"
#include "session/DeviceSession.h"
#include "ui/view/CMorvixView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/resource.h>

namespace {

long RssKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return 0;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The device behind a fixed link path; unplugging it and plugging a new one in keeps the path.
class Device {
public:
    explicit Device(QString link) : m_link(std::move(link)) {}
    bool Plug() {
        m_sim = std::make_unique<DevSim>(DevSimOptions{.linkPath = m_link, .keepFrames = false});
        return m_sim->start();
    }
    void Unplug() {
        m_sim->hangUp();
        m_framesBefore += m_sim->validFrameCount();
        m_answersBefore += m_sim->answersSent();
        m_sim.reset();
    }
    long Frames() const { return m_framesBefore + (m_sim ? m_sim->validFrameCount() : 0); }
    long Answers() const { return m_answersBefore + (m_sim ? m_sim->answersSent() : 0); }
    DevSim* Sim() { return m_sim.get(); }

private:
    QString m_link;
    std::unique_ptr<DevSim> m_sim;
    long m_framesBefore = 0;
    long m_answersBefore = 0;
};

// One random operator action on the view through its ordinary event handlers.
void Act(CMorvixView& view, QRandomGenerator& random, bool& held) {
    static constexpr Qt::Key kKeys[] = {Qt::Key_Right,  Qt::Key_Right, Qt::Key_Left,
                                        Qt::Key_Left,   Qt::Key_Space, Qt::Key_Tab,
                                        Qt::Key_Escape, Qt::Key_Return};
    static constexpr int kColumns[][2] = {{111, 160}, {181, 194}, {230, 526}, {0, 540}};
    const int kind = random.bounded(100);
    const auto& column = kColumns[random.bounded(4)];
    // The SETUP and EXIT buttons are rare: a dialog then waits for the closer below.
    const QPointF at(random.bounded(column[0], column[1]),
                     random.bounded(200) == 0 ? 410 : random.bounded(0, 370));
    const Qt::MouseButtons buttons = held ? Qt::LeftButton : Qt::NoButton;
    if (kind < 35) {
        const bool digit = random.bounded(3) == 0;
        const int key = digit ? Qt::Key_0 + random.bounded(10) : kKeys[random.bounded(8)];
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &press);
    } else if (kind < 75) {
        QMouseEvent move(QEvent::MouseMove, at, view.mapToGlobal(at), Qt::NoButton, buttons,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &move);
    } else if (kind < 88 && !held) {
        held = true;
        QMouseEvent press(QEvent::MouseButtonPress, at, view.mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &press);
    } else if (held) {
        held = false;
        QMouseEvent release(QEvent::MouseButtonRelease, at, view.mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &release);
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 1800;
    const int interval = argc > 2 ? std::max(1, atoi(argv[2])) : 60;
    QRandomGenerator random(argc > 3 ? quint32(atoi(argv[3])) : 1207u);

    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    const QString link = home.path() + QStringLiteral("/ttyMorvix");
    QDir().mkpath(home.path() + QStringLiteral("/QV/Morvix"));
    QFile ini(home.path() + QStringLiteral("/QV/Morvix/set.ini"));
    if (!ini.open(QIODevice::WriteOnly) ||
        ini.write("[set]\r\nPort=" + link.toLocal8Bit() + "\r\nFile Name=NULL\r\n") < 0)
        return 1;
    ini.close();

    Device device(link);
    if (!device.Plug()) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(device.Sim()->errorString()));
        return 1;
    }
    DeviceSession session;
    CMorvixView view(session);
    view.show();
    view.OnInitialUpdate();
    PanelController& panel = view.Panel();

    long events = 0, silences = 0, unplugs = 0, dialogs = 0;
    bool held = false;
    QTimer input;
    QObject::connect(&input, &QTimer::timeout, &view, [&] {
        if (QApplication::activeModalWidget())
            return;
        Act(view, random, held);
        ++events;
    });
    input.start(25);

    // The operator answers any dialog (exit, Setup, a port message) with Cancel or OK soon.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, &view, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            ++dialogs;
        }
    });
    closer.start(400);

    // Now and then the device drops out: silent for a few seconds, or unplugged for a moment.
    QTimer dropout;
    dropout.setSingleShot(true);
    const auto scheduleDropout = [&] { dropout.start(random.bounded(20000, 60000)); };
    QObject::connect(&dropout, &QTimer::timeout, &view, [&] {
        const int outage = random.bounded(2000, 8000);
        if (random.bounded(10) < 7) {
            ++silences;
            device.Sim()->setFaults({.silent = true});
            QTimer::singleShot(outage, &view, [&] { device.Sim()->setFaults({}); });
        } else {
            ++unplugs;
            device.Unplug();
            QTimer::singleShot(outage, &view, [&] {
                if (!device.Plug())
                    std::fprintf(stderr, "simulator did not come back\n");
                panel.Session().Connect();
                panel.SendCommand(CMD_POLL);
            });
        }
        scheduleDropout();
    });
    scheduleDropout();

    std::printf("%8s %9s %8s %9s %9s %8s %6s %6s %5s\n", "time_s", "rss_kib", "cpu_pct", "frames",
                "answers", "events", "silent", "unplug", "link");
    const long rssStart = RssKb();
    long rssMax = rssStart;
    double cpuLast = CpuSeconds();
    int elapsed = 0;
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, &view, [&] {
        elapsed += interval;
        const double cpu = CpuSeconds();
        const long rss = RssKb();
        rssMax = std::max(rssMax, rss);
        const char* link = !panel.Session().PortOpen()                     ? "gray"
                           : panel.Session().Link().Supervision().linkLost ? "red"
                                                                           : "green";
        std::printf("%8d %9ld %8.1f %9ld %9ld %8ld %6ld %6ld %5s\n", elapsed, rss,
                    100.0 * (cpu - cpuLast) / interval, device.Frames(), device.Answers(), events,
                    silences, unplugs, link);
        std::fflush(stdout);
        cpuLast = cpu;
        if (elapsed >= seconds) {
            std::printf("resident memory: %ld KiB at start, %ld KiB at the end, %ld KiB at most; "
                        "%ld frames, %ld input events, %ld dialogs answered\n",
                        rssStart, rss, rssMax, device.Frames(), events, dialogs);
            QCoreApplication::quit();
        }
    });
    report.start(interval * 1000);
    return app.exec();
}
