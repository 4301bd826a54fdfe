#include "PanelRig.h"

#include "FloodClient.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

PanelRig::PanelRig(QString buildDir) : m_buildDir(std::move(buildDir)) {}

PanelRig::~PanelRig() {
    stopChild(m_panel);
    stopChild(m_sim);
    stopChild(m_bus);
}

void PanelRig::startChild(QProcess& process, const QString& program, const QStringList& args) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process.start(program, args);
}

void PanelRig::stopChild(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

bool PanelRig::start(QString& error) {
    if (!m_home.isValid()) {
        error = QStringLiteral("cannot make a temporary folder");
        return false;
    }
    startChild(m_bus, QStringLiteral("dbus-daemon"),
               {QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--print-address=1")});
    if (!m_bus.waitForStarted() || !m_bus.waitForReadyRead(5000)) {
        error = QStringLiteral("dbus-daemon did not start (is the dbus-daemon package there?)");
        return false;
    }
    // Set before the first use of the bus here, and inherited by every child.
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.readLine().trimmed());
    qputenv("XDG_CONFIG_HOME", m_home.path().toLocal8Bit());
    // Made private (0700) by QTemporaryDir, as a runtime folder must be.
    qputenv("XDG_RUNTIME_DIR", m_home.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");

    const QString logPath = m_home.filePath(QStringLiteral("line.jsonl"));
    startChild(m_sim, program(QStringLiteral("morvix-devsim")), {QStringLiteral("--log"), logPath});
    if (!m_sim.waitForStarted() || !m_sim.waitForReadyRead(5000)) {
        error = QStringLiteral("morvix-devsim did not start: %1").arg(m_sim.errorString());
        return false;
    }
    const QByteArray port = m_sim.readLine().trimmed();
    if (!m_log.waitFor([&] { return QFile::exists(logPath) && m_log.open(logPath); }, 5000)) {
        error = QStringLiteral("morvix-devsim wrote no log");
        return false;
    }

    QDir().mkpath(m_home.filePath(QStringLiteral("QV/Morvix")));
    QFile ini(m_home.filePath(QStringLiteral("QV/Morvix/set.ini")));
    if (!ini.open(QIODevice::WriteOnly) ||
        ini.write("[set]\r\nPort=" + port + "\r\nFile Name=NULL\r\n") < 0) {
        error = QStringLiteral("cannot write the panel's settings");
        return false;
    }
    ini.close();

    m_panel.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    startChild(m_panel, program(QStringLiteral("morvix")), {});
    if (!m_panel.waitForStarted()) {
        error = QStringLiteral("the panel did not start: %1").arg(m_panel.errorString());
        return false;
    }
    // The start-up poll and the eight channels of the synchronisation.
    if (!m_log.waitFor([&] { return m_log.frames().size() >= 9; }, 15000)) {
        error = QStringLiteral("the panel did not synchronise the device within 15 s");
        return false;
    }
    QDBusConnectionInterface* names = QDBusConnection::sessionBus().interface();
    if (!names ||
        !m_log.waitFor([&] { return names->isServiceRegistered(ServiceName()).value(); }, 10000)) {
        error = QStringLiteral("the panel did not take its name on the bus");
        return false;
    }
    return true;
}

double CpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // Fields after the command's closing parenthesis; utime and stime are the 12th and 13th.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}
