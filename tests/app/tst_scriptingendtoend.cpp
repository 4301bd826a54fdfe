#include "BusPanel.h"
#include "HostedPanel.h"
#include "ProgramRun.h"
#include "TestFiles.h"
#include "scripting/BusNames.h"
#include "scripting/PanelBusService.h"
#include "session/DeviceSession.h"
#include "session/LineBudget.h"
#include "ui/view/CMorvixView.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QProcess>
#include <QtTest>
#include <cmath>

// The panel scripted from outside over a private session bus, against the simulated device.
class tst_ScriptingEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        QVERIFY(QFileInfo(CtlPath()).isExecutable());
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
        QSignalSpy announced(&p.session, &DeviceSession::ChannelChanged);
        const ProgramRun run = RunProgram(CtlPath(), args);
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.isEmpty());
        QTRY_COMPARE(p.device.sim.validFrameCount(), frames.size());
        QCOMPARE(HexFrames(p.device.sim.validFrames()), frames);
        QCOMPARE(p.panel().Channels().Power(channel), power);
        QCOMPARE(p.panel().Channels().Level(channel), level);
        QVERIFY(!announced.isEmpty());
        // The operator's selection stays where it was.
        QCOMPARE(p.panel().Channels().Selected(), 0);
    }

    void presetAndGet_throughCtl() {
        BusPanel p;
        START_PANEL(p);
        SettingsText text;
        text.color(1, 255);
        for (int i = 0; i < CHANNEL_COUNT; ++i)
            text.channel(i, 1, 200 + i);
        const QString preset = p.device.home.path() + "/night.qvd";
        QVERIFY(WriteAll(preset, text.bytes()));
        QCOMPARE(RunProgram(CtlPath(), {"preset", preset}).exitCode, 0);
        // Without a reconnect, the eight channels go out at once.
        QTRY_COMPARE(p.device.sim.validFrameCount(), 8);
        for (int i = 0; i < CHANNEL_COUNT; ++i)
            QCOMPARE(p.device.sim.channel(i), (DevSimChannel{1, 200 + i}));
        QCOMPARE(p.session.Settings().PresetName(), preset);
        QVERIFY(ReadAll(p.device.home.settingsFile()).contains("CH VALUE-7=207"));

        const ProgramRun get = RunProgram(CtlPath(), {"get"});
        QCOMPARE(get.exitCode, 0);
        QCOMPARE(get.out.split('\n').value(7), QByteArray("8 on 207"));
        const ProgramRun status = RunProgram(CtlPath(), {"status"});
        QCOMPARE(status.out, "port " + p.device.sim.portPath().toLocal8Bit() +
                                 "\nopen yes\nlink answering\nselected 1\n");
        const ProgramRun json = RunProgram(CtlPath(), {"get", "--json"});
        QVERIFY(json.out.startsWith("[{\"channel\":1,\"level\":200,\"on\":true},"));

        // A file that cannot be read changes nothing and says so.
        p.device.sim.clearLog();
        const ProgramRun missing = RunProgram(CtlPath(), {"preset", preset + ".gone"});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.err.contains("cannot read preset file"));
        QCOMPARE(p.session.Settings().PresetName(), preset);
        QCOMPARE(p.panel().Channels().Level(0), 200);
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
        const auto before = p.panel().Channels().Levels();
        const ProgramRun run = RunProgram(CtlPath(), args);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.startsWith("morvix-ctl: ") && run.err.contains(error), run.err.data());
        QCOMPARE(run.err.count('\n'), 1);
        QTest::qWait(50);
        QCOMPARE(p.device.sim.frameCount(), 0);
        QCOMPARE(p.panel().Channels().Levels(), before);
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
        const auto fade = [](ChannelStates states, double seconds) {
            return QVariantList{QVariant::fromValue(states), seconds};
        };
        const ChannelStates eight(CHANNEL_COUNT, ChannelState{true, 100});
        ChannelStates level300 = eight;
        level300[5].level = 300;
        QTest::newRow("fade of 3 channels") << "Fade" << fade(ChannelStates(3), 1.0)
                                            << "channels must hold 8 (on, level) pairs, not 3";
        QTest::newRow("fade to level 300")
            << "Fade" << fade(level300, 1.0) << "channels[5]: level must be 0..255, not 300";
        QTest::newRow("fade for -1 s")
            << "Fade" << fade(eight, -1.0) << "seconds must be 0..3600, not -1";
        QTest::newRow("fade for NaN s") << "Fade" << fade(eight, std::nan("")) << "seconds must be";
        QTest::newRow("fade to a relative preset")
            << "FadeToPreset" << QVariantList{"night.qvd", 1.0} << "path must be absolute";
        QTest::newRow("fade to a preset for an hour and more")
            << "FadeToPreset" << QVariantList{"/tmp/night.qvd", 3601.0}
            << "seconds must be 0..3600";
        QTest::newRow("scene 0") << "RecallScene" << QVariantList{0} << "scene must be 1..8, not 0";
        QTest::newRow("store scene 9") << "StoreScene" << QVariantList{9} << "scene must be 1..8";
    }
    void busMethodOutOfRange_refusedWithNamedArgument() {
        QFETCH(QString, method);
        QFETCH(QVariantList, args);
        QFETCH(QString, error);
        BusPanel p;
        START_PANEL(p);
        const auto before = p.panel().Channels().Levels();
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
        QCOMPARE(p.panel().Channels().Levels(), before);
        QVERIFY(!p.session.Fading());
        QDBusConnection::disconnectFromBus("other-client");
    }

    // morvix-ctl fade ... --wait returns once the device has the preset's levels, which it
    // reached by steps within the line's budget.
    void fadeThroughCtl_glidesPacedAndWaits() {
        BusPanel p;
        START_PANEL(p);
        const QString preset = p.device.home.path() + "/bright.qvd";
        QVERIFY(WriteAll(preset, SettingsText().color(1, 255).channels(1, 250).bytes()));
        QSignalSpy fading(&p.session, &DeviceSession::FadingChanged);
        QElapsedTimer clock;
        clock.start();
        const ProgramRun run = RunProgram(CtlPath(), {"fade", preset, "0.6", "--wait"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.err.isEmpty(), run.err.data());
        QVERIFY(clock.elapsed() >= 500);
        QCOMPARE(fading.size(), 2);
        QCOMPARE(fading.last().value(0).toBool(), false);
        QCOMPARE(p.session.Settings().Colors().slideLeft, ColorRef(255));
        QTRY_VERIFY(p.device.sim.channel(7) == (DevSimChannel{1, 250}));
        for (int i = 0; i < CHANNEL_COUNT; ++i) {
            QCOMPARE(p.device.sim.channel(i), (DevSimChannel{1, 250}));
            QCOMPARE(p.panel().Channels().Level(i), 250);
        }
        const auto frames = p.device.sim.validFrames();
        // Channel 1 rose from 0 to 250 in about a tenth of its range a frame, not at once.
        QVERIFY2(frames.size() > 60, qPrintable(QString::number(frames.size())));
        // The panel sends at most 24 in any 100 ms of its own clock (tst_fade checks each window
        // exactly). The device's own stamps cannot show that here: a loaded machine holds the
        // simulator's thread back and the pty hands it a stall's frames at once. What the device
        // can show is the whole glide within the budget of the time it took; eight channels every
        // tick would be half as many again.
        const qint64 windows = clock.elapsed() / 100 + 1;
        QVERIFY2(qint64(frames.size()) <= windows * LineBudget::kFramesPerWindow,
                 qPrintable(QString("%1 frames in %2 ms").arg(frames.size()).arg(clock.elapsed())));

        // One channel alone, leaving its switch and the other seven.
        p.device.sim.clearLog();
        const ProgramRun one = RunProgram(CtlPath(), {"fade", "3", "20", "0.2", "--wait"});
        QCOMPARE(one.exitCode, 0);
        QTRY_COMPARE(p.device.sim.channel(2), (DevSimChannel{1, 20}));
        for (const DevSimFrame& frame : p.device.sim.validFrames())
            QCOMPARE(frame.command.channel, 3);
        QCOMPARE(p.panel().Channels().Level(1), 250);
    }

    // The operator's key during a script's fade wins on its channel; the others glide on.
    void operatorKeyDuringFade_takesTheChannelOut() {
        BusPanel p;
        START_PANEL(p);
        FadeTargets targets;
        targets.fill(ChannelSetting{true, 200});
        QVERIFY(p.session.StartFade(targets, 0.8));
        QTest::qWait(200);
        QTest::keyClick(&p.view, Qt::Key_Space); // channel 1 (selected) switches
        const int mine = p.panel().Channels().Level(0);
        const int myPower = p.panel().Channels().Power(0);
        QTRY_VERIFY_WITH_TIMEOUT(!p.session.Fading(), 3000);
        QCOMPARE(p.panel().Channels().Level(0), mine);
        QCOMPARE(p.panel().Channels().Power(0), myPower);
        // The fade ends in the session at once; its last frames take the line's budget to reach
        // the device (a sanitizer build on a loaded machine takes a while).
        for (int i = 1; i < CHANNEL_COUNT; ++i)
            QTRY_COMPARE(p.device.sim.channel(i), (DevSimChannel{1, 200}));
        QCOMPARE(p.device.sim.channel(0), (DevSimChannel{myPower, mine}));
    }

    // F-keys against the device: Shift+F3 stores scene 2, F3 glides back to it over its time;
    // an empty slot sends nothing and says so; morvix-ctl reaches the same slots.
    void scenesThroughFKeys_andCtl() {
        BusPanel p;
        START_PANEL(p);
        QSignalSpy notes(&p.session, &DeviceSession::StatusMessage);
        QTest::keyClick(&p.view, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(notes.last().value(0).toString(), QStringLiteral("scene 2 stored"));
        const SceneSlots scenes = p.session.Scenes();
        QCOMPARE(scenes.Read(2).state, SceneState::Stored);
        QVERIFY(scenes.SetFadeTime(2, 0.3));

        QCOMPARE(RunProgram(CtlPath(), {"off"}).exitCode, 0);
        QTRY_COMPARE(p.device.sim.channel(7), (DevSimChannel{0, 0}));
        p.device.sim.clearLog();
        QTest::keyClick(&p.view, Qt::Key_F3);
        QVERIFY(p.session.Fading());
        QTRY_VERIFY(!p.session.Fading());
        // Back where set.ini had them: channel i switched i % 2 at level 30 * i.
        for (int i = 0; i < CHANNEL_COUNT; ++i)
            QTRY_COMPARE(p.device.sim.channel(i), (DevSimChannel{i % 2, 30 * i}));
        QVERIFY(p.device.sim.validFrameCount() > 8);

        p.device.sim.clearLog();
        QTest::keyClick(&p.view, Qt::Key_F9);
        QCOMPARE(notes.last().value(0).toString(), QStringLiteral("scene 8 is empty"));
        QVERIFY(!p.session.Fading());
        QTest::qWait(50);
        QCOMPARE(p.device.sim.frameCount(), 0);

        const ProgramRun empty = RunProgram(CtlPath(), {"scene", "8"});
        QCOMPARE(empty.exitCode, 1);
        QVERIFY2(empty.err.contains("scene 8 is empty"), empty.err.data());
        QCOMPARE(RunProgram(CtlPath(), {"set", "1", "on", "77"}).exitCode, 0);
        QCOMPARE(RunProgram(CtlPath(), {"scene", "store", "8"}).exitCode, 0);
        QCOMPARE(RunProgram(CtlPath(), {"set", "1", "on", "5"}).exitCode, 0);
        QCOMPARE(RunProgram(CtlPath(), {"scene", "8", "--wait"}).exitCode, 0);
        QTRY_COMPARE(p.device.sim.channel(0), (DevSimChannel{1, 77}));
        QCOMPARE(RunProgram(CtlPath(), {"stop"}).exitCode, 0);
    }

    void watch_seesOperatorKeyPress() {
        BusPanel p;
        START_PANEL(p);
        QProcess watch;
        watch.start(CtlPath(), {"watch"});
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
        const int level = p.panel().Channels().Level(0);
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
        auto& [host, session, panel] = rig;
        panel.OnInitialUpdate();
        QVERIFY(device.sim.waitForValidFrames(1, 2000));
        device.sim.clearLog();
        QSignalSpy announced(&session, &DeviceSession::ChannelChanged);
        const ChangeOrigin kScriptOne{ChangeOrigin::Kind::Script, 1};
        bool sentInside = false;
        host.setupDialog = [&](SetupValues&) {
            session.Request(SessionRequest::Set(5, true, 99), kScriptOne);
            // Not held back until the dialog closes.
            sentInside = announced.size() == 1 && device.sim.waitForValidFrames(1, 2000);
            return DialogResult::Cancel;
        };
        panel.RunSetup();
        QVERIFY(sentInside);
        QCOMPARE(announced.value(0), (QVariantList{4, true, 99, QVariant::fromValue(kScriptOne)}));
        QCOMPARE(Hex(device.sim.validFrames()[0]), QByteArray("95 02 05 01 63 00"));
    }

    void secondMorvix_raisesFirstAndExits0() {
        BusPanel p;
        START_PANEL(p);
        QSignalSpy raised(&p.service, &PanelBusService::RaiseRequested);
        const ProgramRun second = RunProgram(qEnvironmentVariable("MORVIX_APP"), {});
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
        const ProgramRun run = RunProgram(CtlPath(), {"status"}, env);
        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.err, QByteArray("morvix-ctl: Morvix is not running\n"));
    }
};

QTEST_MAIN(tst_ScriptingEndToEnd)
#include "tst_scriptingendtoend.moc"
