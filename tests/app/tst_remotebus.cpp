#include "BusPanel.h"
#include "ProgramRun.h"
#include "TestFiles.h"
#include "app/RemoteBusBridge.h"
#include "remote/RemoteService.h"
#include "remote/RemoteSettings.h"

#include <QTcpServer>
#include <QtTest>

// The browser remote driven from a script: morvix-ctl's remote commands over a private session
// bus, against the real remote service and the simulated device.
class tst_RemoteBus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        QVERIFY(QFileInfo(CtlPath()).isExecutable());
    }

    // The remote turned on, asked about, given a new link and turned off with morvix-ctl.
    void remoteThroughCtl_onStateNewLinkOff() {
        BusPanel p;
        START_PANEL(p);
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const int port = probe.serverPort();
        probe.close();
        const QString ini = RemoteIniPath(p.device.home.settingsFolder());
        QVERIFY(WriteAll(ini, RemoteSettingsText({false, false, port, {}})));
        RemoteService remote(p.session);
        remote.Load();
        RemoteBusBridge bridge(remote);
        p.service.SetRemote(&bridge);
        const QByteArray setIni = ReadAll(p.device.home.settingsFile());

        ProgramRun run = RunProgram(CtlPath(), {"remote"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, "remote off\nlisten local\nport " + QByteArray::number(port) + "\n");

        run = RunProgram(CtlPath(), {"remote", "on"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(remote.Running());
        const QByteArray link = run.out.trimmed();
        QCOMPARE(link, remote.Link().toLatin1());
        QVERIFY2(link.startsWith("http://127.0.0.1:" + QByteArray::number(port) + "/#"), link);

        run = RunProgram(CtlPath(), {"remote"});
        QCOMPARE(run.out, "remote on\nlisten local\nport " + QByteArray::number(port) + "\nlink " +
                              link + "\nclients 0\n");

        run = RunProgram(CtlPath(), {"remote", "new-link"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.trimmed() != link);
        QCOMPARE(run.out.trimmed(), remote.Link().toLatin1());

        QCOMPARE(RunProgram(CtlPath(), {"remote", "off"}).exitCode, 0);
        QVERIFY(!remote.Running());
        QCOMPARE(LoadRemoteSettings(ini).enabled, false);
        QCOMPARE(ReadAll(p.device.home.settingsFile()), setIni);
    }

    // A panel without a remote says so, and nothing starts listening.
    void remoteMissing_refusedWithItsOwnError_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("state") << QStringList{"remote"};
        QTest::newRow("on") << QStringList{"remote", "on", "--lan"};
        QTest::newRow("off") << QStringList{"remote", "off"};
        QTest::newRow("new link") << QStringList{"remote", "new-link"};
    }
    void remoteMissing_refusedWithItsOwnError() {
        QFETCH(QStringList, args);
        BusPanel p;
        START_PANEL(p);
        const ProgramRun run = RunProgram(CtlPath(), args);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QByteArray("morvix-ctl: this panel has no browser remote\n"));
        QVERIFY(run.out.isEmpty());
    }
};

QTEST_MAIN(tst_RemoteBus)
#include "tst_remotebus.moc"
