#include "DeviceWithSettings.h"
#include "HostedPanel.h"
#include "TestFiles.h"
#include "scripting/BusNames.h"
#include "scripting/PanelBusService.h"
#include "ui/view/CMorvixView.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QProcess>
#include <QtTest>

namespace {

QStringList HexFrames(const std::vector<DevSimFrame>& frames) {
    QStringList hex;
    for (const DevSimFrame& frame : frames)
        hex << QString::fromLatin1(Hex(frame));
    return hex;
}

// A program started beside the panel; the test's event loop keeps serving the bus meanwhile.
struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run RunProgram(const QString& program, const QStringList& args,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    Run run;
    if (!process.waitForStarted(5000))
        return run;
    QSignalSpy finished(&process, &QProcess::finished);
    if (!finished.wait(15000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QString Ctl() {
    return qEnvironmentVariable("MORVIX_CTL");
}

// The real view, its controller and the simulated device, on the bus as a running panel is.
struct BusPanel {
    bool Start() {
        if (!device.Start())
            return false;
        view.OnInitialUpdate();
        // Past the synchronisation, so only what the test causes reaches the log.
        if (!QTest::qWaitFor([this] { return device.sim.validFrameCount() >= 9; }, 5000))
            return false;
        if (!QTest::qWaitFor([this] { return !view.Panel().TimerRunning(TIMER_SYNC); }, 2000))
            return false;
        device.sim.clearLog();
        return service.Register(QDBusConnection::sessionBus());
    }
    PanelController& panel() { return view.Panel(); }

    DeviceWithSettings device;
    CMorvixView view;
    PanelBusService service{view.Panel()};
};

#define START_PANEL(p) QVERIFY2((p).Start(), qPrintable((p).device.sim.errorString()))

} // namespace

// The panel scripted from outside over a private session bus, against the simulated device.
class tst_ScriptingEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        QVERIFY(QFileInfo(Ctl()).isExecutable());
    }

    void ctlCommand_putsFramesOnWireAndChangesPanel_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<int>("channel"); // index whose state is checked
        QTest::addColumn<int>("power");
        QTest::addColumn<int>("level");
        // Start: channel i switched i % 2 at level 30 * i.
        QTest::newRow("set on with level") << QStringList{"set", "3", "on", "128"}
                                           << QStringList{"95 02 03 01 80 1b"} << 2 << 1 << 128;
        QTest::newRow("set off keeps level")
            << QStringList{"set", "2", "off"} << QStringList{"95 02 02 00 1e b7"} << 1 << 0 << 30;
        QTest::newRow("level keeps switch")
            << QStringList{"level", "4", "7"} << QStringList{"95 02 04 01 07 a3"} << 3 << 1 << 7;
        QTest::newRow("step stops at 255") << QStringList{"step", "8", "+100"}
                                           << QStringList{"95 02 08 01 ff 9f"} << 7 << 1 << 255;
        QTest::newRow("step stops at 0")
            << QStringList{"step", "2", "-200"} << QStringList{"95 02 02 01 00 9a"} << 1 << 1 << 0;
        QTest::newRow("off") << QStringList{"off"} << QStringList{"95 03 08 00 00 a0"} << 5 << 0
                             << 0;
    }
    void ctlCommand_putsFramesOnWireAndChangesPanel() {
        QFETCH(QStringList, args);
        QFETCH(QStringList, frames);
        QFETCH(int, channel);
        QFETCH(int, power);
        QFETCH(int, level);
        BusPanel p;
        START_PANEL(p);
        QSignalSpy announced(&p.panel(), &PanelController::ChannelChanged);
        const Run run = RunProgram(Ctl(), args);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.isEmpty());
        QTRY_COMPARE(p.device.sim.validFrameCount(), frames.size());
        QCOMPARE(HexFrames(p.device.sim.validFrames()), frames);
        QCOMPARE(p.panel().m_channelPower[channel], power);
        QCOMPARE(p.panel().m_channelLevel[channel], level);
        QVERIFY(!announced.isEmpty());
        // The operator's selection stays where it was.
        QCOMPARE(p.panel().m_selectedChannel, 0);
    }

    void presetAndGet_throughCtl() {
        BusPanel p;
        START_PANEL(p);
        QByteArray text = "[CH SET]\r\nCOLOR1=255\r\n";
        for (int i = 0; i < CHANNEL_COUNT; ++i)
            text += "CH POWER-" + QByteArray::number(i) + "=1\r\nCH VALUE-" +
                    QByteArray::number(i) + "=" + QByteArray::number(200 + i) + "\r\n";
        const QString preset = p.device.home.path() + "/night.qvd";
        QVERIFY(WriteAll(preset, text));
        QCOMPARE(RunProgram(Ctl(), {"preset", preset}).exitCode, 0);
        // Without a reconnect, the eight channels go out at once.
        QTRY_COMPARE(p.device.sim.validFrameCount(), 8);
        for (int i = 0; i < CHANNEL_COUNT; ++i)
            QCOMPARE(p.device.sim.channel(i), (DevSimChannel{1, 200 + i}));
        QCOMPARE(p.panel().m_presetName, preset);
        QVERIFY(ReadAll(p.device.home.settingsFile()).contains("CH VALUE-7=207"));

        const Run get = RunProgram(Ctl(), {"get"});
        QCOMPARE(get.exitCode, 0);
        QCOMPARE(get.out.split('\n').value(7), QByteArray("8 on 207"));
        const Run status = RunProgram(Ctl(), {"status"});
        QCOMPARE(status.out, "port " + p.device.sim.portPath().toLocal8Bit() +
                                 "\nopen yes\nlink answering\nselected 1\n");
        const Run json = RunProgram(Ctl(), {"get", "--json"});
        QVERIFY(json.out.startsWith("[{\"channel\":1,\"level\":200,\"on\":true},"));

        // A file that cannot be read changes nothing and says so.
        p.device.sim.clearLog();
        const Run missing = RunProgram(Ctl(), {"preset", preset + ".gone"});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.err.contains("cannot read preset file"));
        QCOMPARE(p.panel().m_presetName, preset);
        QCOMPARE(p.panel().m_channelLevel[0], 200);
    }

    void badInput_sendsNothing_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("channel 9")
            << QStringList{"set", "9", "on", "1"} << 2 << QByteArray("channel must be 1..8");
        QTest::newRow("level 256")
            << QStringList{"level", "1", "256"} << 2 << QByteArray("level must be 0..255");
        QTest::newRow("unknown command")
            << QStringList{"dim", "1"} << 2 << QByteArray("unknown command");
    }
    void badInput_sendsNothing() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, error);
        BusPanel p;
        START_PANEL(p);
        const auto before = p.panel().m_channelLevel;
        const Run run = RunProgram(Ctl(), args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.startsWith("morvix-ctl: ") && run.err.contains(error), run.err.data());
        QCOMPARE(run.err.count('\n'), 1);
        QTest::qWait(50);
        QCOMPARE(p.device.sim.frameCount(), 0);
        QCOMPARE(p.panel().m_channelLevel, before);
    }

    // Other clients skip morvix-ctl's checks; the panel refuses by itself and names the argument.
    void busMethodOutOfRange_refusedWithNamedArgument_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QString>("error");
        QTest::newRow("channel 0")
            << "SetChannel" << QVariantList{0, true, 5} << "channel must be 1..8, not 0";
        QTest::newRow("level 300")
            << "SetLevel" << QVariantList{2, 300} << "level must be 0..255, not 300";
        QTest::newRow("level -1") << "SetChannel" << QVariantList{2, true, -1}
                                  << "level must be 0..255";
        QTest::newRow("switch on channel 9")
            << "SetSwitch" << QVariantList{9, true} << "channel must be 1..8";
        QTest::newRow("step 256") << "Step" << QVariantList{1, 256} << "delta must be -255..255";
        QTest::newRow("relative preset")
            << "LoadPreset" << QVariantList{"night.qvd"} << "path must be absolute";
    }
    void busMethodOutOfRange_refusedWithNamedArgument() {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        QFETCH(QString, error);
        BusPanel p;
        START_PANEL(p);
        const auto before = p.panel().m_channelLevel;
        // A connection of its own, as another program's would be.
        QDBusConnection other =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other-client");
        QDBusMessage call = QDBusMessage::createMethodCall(MorvixBus::Service(), MorvixBus::Path(),
                                                           MorvixBus::Interface(), method);
        call.setArguments(args);
        QDBusPendingCall pending = other.asyncCall(call);
        QTRY_VERIFY(pending.isFinished());
        QVERIFY(pending.isError());
        QCOMPARE(pending.error().type(), QDBusError::InvalidArgs);
        QVERIFY2(pending.error().message().contains(error), qPrintable(pending.error().message()));
        QTest::qWait(50);
        QCOMPARE(p.device.sim.frameCount(), 0);
        QCOMPARE(p.panel().m_channelLevel, before);
        QDBusConnection::disconnectFromBus("other-client");
    }

    void watch_seesOperatorKeyPress() {
        BusPanel p;
        START_PANEL(p);
        QProcess watch;
        watch.start(Ctl(), {"watch"});
        QVERIFY(watch.waitForStarted(5000));
        // The watch subscribes after starting; press until its first line comes back.
        QByteArray lines;
        auto readUntil = [&](const QByteArray& start) {
            if (watch.canReadLine())
                lines += watch.readAll();
            return lines.startsWith(start) || lines.contains("\n" + start);
        };
        bool seen = false;
        for (int attempt = 0; attempt < 20 && !seen; ++attempt) {
            QTest::keyClick(&p.view, Qt::Key_Right);
            seen = QTest::qWaitFor([&] { return readUntil("1 off "); }, 500);
        }
        QVERIFY2(seen, lines.data());
        // Then every further change, one line each.
        const int level = p.panel().m_channelLevel[0];
        const QByteArray expected = "1 on " + QByteArray::number(level) + "\n";
        QTest::keyClick(&p.view, Qt::Key_Space);
        QTRY_VERIFY2(readUntil(expected), lines.data());
        // Properties arrive through PropertiesChanged.
        QTest::keyClick(&p.view, Qt::Key_Tab);
        QTRY_VERIFY2(readUntil("selected 2\n"), lines.data());
        watch.terminate();
        QVERIFY(watch.waitForFinished(5000));
    }

    void changeDuringSetupDialog_goesOutAndIsAnnouncedAtOnce() {
        DeviceWithSettings device;
        QVERIFY2(device.Start(), qPrintable(device.sim.errorString()));
        HostedPanel rig(false);
        auto& [host, panel] = rig;
        panel.OnInitialUpdate();
        QVERIFY(device.sim.waitForValidFrames(1, 2000));
        device.sim.clearLog();
        QSignalSpy announced(&panel, &PanelController::ChannelChanged);
        bool sentInside = false;
        host.setupDialog = [&](SetupValues&) {
            panel.SetChannelState(4, true, 99);
            // Not held back until the dialog closes.
            sentInside = announced.size() == 1 && device.sim.waitForValidFrames(1, 2000);
            return DialogResult::Cancel;
        };
        panel.RunSetup();
        QVERIFY(sentInside);
        QCOMPARE(announced.value(0), (QVariantList{4, true, 99}));
        QCOMPARE(Hex(device.sim.validFrames()[0]), QByteArray("95 02 05 01 63 00"));
    }

    void secondMorvix_raisesFirstAndExits0() {
        BusPanel p;
        START_PANEL(p);
        QSignalSpy raised(&p.service, &PanelBusService::RaiseRequested);
        const Run second = RunProgram(qEnvironmentVariable("MORVIX_APP"), {});
        QCOMPARE(second.exitCode, 0);
        QCOMPARE(raised.size(), 1);
        // It left the port alone: a second panel on it would have sent its channels.
        for (const DevSimFrame& frame : p.device.sim.frames())
            QCOMPARE(frame.command.kind, DevSimCommandKind::Poll);
    }

    void noPanel_ctlSaysNotRunning_data() {
        QTest::addColumn<bool>("busReachable");
        QTest::newRow("bus without a panel") << true;
        QTest::newRow("no session bus") << false;
    }
    void noPanel_ctlSaysNotRunning() {
        QFETCH(bool, busReachable);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!busReachable)
            env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/morvix-no-bus");
        const Run run = RunProgram(Ctl(), {"status"}, env);
        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.err, QByteArray("morvix-ctl: Morvix is not running\n"));
    }
};

QTEST_MAIN(tst_ScriptingEndToEnd)
#include "tst_scriptingendtoend.moc"
