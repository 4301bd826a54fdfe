#include "HostedPanel.h"
#include "TempConfigHome.h"
#include "TestFiles.h"
#include "panel/KeyMap.h"
#include "panel/PanelController.h"
#include "session/DeviceSession.h"

#include <QtTest>
#include <chrono>
#include <thread>

// Timer logic driven tick by tick: no waiting, the port stays closed.
class tst_LinkSupervision : public QObject {
    Q_OBJECT

    static void Acknowledge(PanelController& panel, char first = 'u') {
        panel.Session().OnCommRx(RxBurst{{static_cast<std::uint8_t>(first)}, 1});
    }

    // One watchdog tick, holding the link to its forecast: a tick it would sleep through changes
    // nothing anyone sees, sends nothing and only counts; the tick it wakes for acts.
    static void Tick(PanelController& panel) {
        const LinkSupervision before = panel.Session().Link().Supervision();
        const bool blink = panel.Input().TypedValue() != 0;
        const bool close = panel.Session().CloseRequestPending();
        const int forecast = TicksUntilEffective(before, close, blink);
        panel.Session().Link().OnWatchdogTick();
        const LinkSupervision after = panel.Session().Link().Supervision();
        const bool acted =
            after.txFlag != before.txFlag || after.rxFlag != before.rxFlag ||
            after.linkLost != before.linkLost || (blink && after.blinkPhase != before.blinkPhase) ||
            after.idleTicks == 0 || (close && !panel.Session().CloseRequestPending());
        QCOMPARE(acted, forecast == 1);
        LinkSupervision quiet = before;
        QuietTick(quiet);
        if (forecast > 1)
            QCOMPARE(after, quiet);
    }

private Q_SLOTS:
    // Events at milliseconds since a start: 'w' a frame written, 'u' an answer, 'o' a new opening.
    void linkCounters_roundTripFromOldestUnansweredFrame_data() {
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("answers");
        QTest::addColumn<double>("roundTrip");   // -1: none
        QTest::addColumn<double>("sinceAnswer"); // at 1000 ms; -1: none
        QTest::newRow("nothing yet") << "" << 0 << 0 << -1.0 << -1.0;
        QTest::newRow("unanswered") << "w0 w20" << 2 << 0 << -1.0 << -1.0;
        QTest::newRow("answered") << "w0 u7" << 1 << 1 << 7.0 << 993.0;
        QTest::newRow("two frames, one answer: from the first")
            << "w0 w20 u25" << 2 << 1 << 25.0 << 975.0;
        QTest::newRow("each frame answered") << "w0 u5 w20 u26" << 2 << 2 << 6.0 << 974.0;
        QTest::newRow("an answer nothing asked for times nothing")
            << "w0 u5 u300" << 1 << 2 << 5.0 << 700.0;
        QTest::newRow("two answers read as one count as two")
            << "w0 w20 U30" << 2 << 2 << 30.0 << 970.0;
        QTest::newRow("a frame before a reopening is answered by no one")
            << "w0 o100 w200 u204" << 2 << 1 << 4.0 << 796.0;
    }
    void linkCounters_roundTripFromOldestUnansweredFrame() {
        QFETCH(QString, events);
        QFETCH(int, frames);
        QFETCH(int, answers);
        QFETCH(double, roundTrip);
        QFETCH(double, sinceAnswer);
        const auto start = LinkCounters::Clock::now();
        const auto at = [&](int ms) { return start + std::chrono::milliseconds(ms); };
        LinkCounters counters;
        // The answers again as the port's reads bring them, through the receive handler, which
        // counts the answers at the start of a read.
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        for (const QString& event : events.split(' ', Qt::SkipEmptyParts)) {
            const int ms = event.mid(1).toInt();
            if (event[0] == 'w') {
                counters.FrameWritten(at(ms));
            } else if (event[0] == 'u') {
                counters.AnswerReceived(at(ms));
                session.OnCommRx(RxBurst{{'u', 0}, 1});
            } else if (event[0] == 'U') {
                counters.AnswerReceived(at(ms), 2);
                session.OnCommRx(RxBurst{{'u', 'u', 'x'}, 3});
            } else {
                counters.PortOpened();
            }
        }
        QCOMPARE(session.Health().answersReceived, answers);
        const LinkHealth health = counters.Figures(at(1000));
        QCOMPARE(health.framesSent, frames);
        QCOMPARE(health.answersReceived, answers);
        QCOMPARE(health.lastRoundTripMs.value_or(-1.0), roundTrip);
        QCOMPARE(health.msSinceLastAnswer.value_or(-1.0), sinceAnswer);
        const QString text = LinkHealthText(health);
        QVERIFY2(text.contains(
                     QString("Frames sent: %1\nAnswers received: %2").arg(frames).arg(answers)),
                 qPrintable(text));
        QCOMPARE(text.contains("Last answer: no answer yet"), sinceAnswer < 0);
        QVERIFY(!text.contains("Adapter latency"));
        LinkHealth ftdi = health;
        ftdi.adapterLatencyMs = 1;
        QVERIFY(LinkHealthText(ftdi).endsWith("\nAdapter latency: 1 ms"));
    }

    // The port never opens here, so the link is closed however the counters stand.
    void linkState_closedPortWhateverTheFlags() {
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        session.Settings().SetPortName("NULL");
        Acknowledge(panel);
        EditLink(panel, [&](LinkSupervision& s) { s.linkLost = 1; });
        const LinkHealth health = session.Health();
        QCOMPARE(health.state, LinkState::Closed);
        QCOMPARE(LinkStateName(health.state), QString("closed"));
        QVERIFY(health.portPath.isEmpty());
        QCOMPARE(health.answersReceived, 1);
        QCOMPARE(health.framesSent, 0); // nothing left through a closed port
    }

    void silentLink_pollAndLinkLostOnEleventhTick() {
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        for (int tick = 1; tick <= 10; ++tick) {
            Tick(panel);
            QCOMPARE(session.Link().Supervision().idleTicks, tick);
            QCOMPARE(session.Link().Supervision().linkLost, 0);
            QCOMPARE(session.Link().Supervision().txFlag, 0);
        }
        Tick(panel);
        // The poll went out on this tick (TX lit, idle count restarted) and the link is lost.
        QCOMPARE(session.Link().Supervision().txFlag, 1);
        QCOMPARE(session.Link().Supervision().idleTicks, 0);
        QCOMPARE(session.LastFrame().bytes[1], FRAME_CODE_POLL);
        QCOMPARE(session.Link().Supervision().linkLost, 1);
        QCOMPARE(session.Link().Supervision().silentTicks, 0);
        // And again 11 ticks later.
        for (int tick = 1; tick <= 10; ++tick)
            Tick(panel);
        QCOMPARE(session.Link().Supervision().txFlag, 0);
        Tick(panel);
        QCOMPARE(session.Link().Supervision().txFlag, 1);
        QCOMPARE(session.LastFrame().bytes[1], FRAME_CODE_POLL);
    }

    void userFrames_restartIdleButNotSilentCount() {
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        for (int tick = 1; tick <= 11; ++tick) {
            panel.SendCommand(CMD_CHANNEL, 0);
            Tick(panel);
            QCOMPARE(session.Link().Supervision().idleTicks, 1);
        }
        QCOMPARE(session.Link().Supervision().linkLost, 1);
    }

    void acknowledge_resetsCountersAndLink() {
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        EditLink(panel, [&](LinkSupervision& s) { s.idleTicks = 5; });
        EditLink(panel, [&](LinkSupervision& s) { s.silentTicks = 9; });
        EditLink(panel, [&](LinkSupervision& s) { s.linkLost = 1; });
        panel.TakeRedrawPending();
        Acknowledge(panel);
        QCOMPARE(session.Link().Supervision().rxFlag, 1);
        QCOMPARE(session.Link().Supervision().idleTicks, 0);
        QCOMPARE(session.Link().Supervision().silentTicks, 0);
        QCOMPARE(session.Link().Supervision().linkLost, 0);
        QVERIFY(panel.RedrawPending());
    }

    void burstNotStartingWithU_changesNothing() {
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        EditLink(panel, [&](LinkSupervision& s) { s.silentTicks = 3; });
        EditLink(panel, [&](LinkSupervision& s) { s.linkLost = 1; });
        session.OnCommRx(RxBurst{{'x', 'u', 0, 0, 0, 0}, 2});
        QCOMPARE(session.Link().Supervision().rxFlag, 0);
        QCOMPARE(session.Link().Supervision().silentTicks, 3);
        QCOMPARE(session.Link().Supervision().linkLost, 1);
        QCOMPARE(host.repaintRequests, 0);
    }

    void watchdog_clearsLampsAndBlinks() {
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        EditLink(panel, [&](LinkSupervision& s) { s.txFlag = 1; });
        Acknowledge(panel);
        Tick(panel);
        QCOMPARE(session.Link().Supervision().txFlag, 0);
        QCOMPARE(session.Link().Supervision().rxFlag, 0);
        QCOMPARE(session.Link().Supervision().blinkPhase, 1);
        Tick(panel);
        QCOMPARE(session.Link().Supervision().blinkPhase, 0);
    }

    // Events, one a character: '.' a watchdog tick, 'f' a frame sent, 'u' an answer, 'x' a burst
    // that is no answer, 'c' a close request, '1' a digit typed, 'e' Esc (the digits dropped),
    // 'L' the link lamp red already. Each tick is held to the forecast (Tick); `sleeps` is the
    // forecast after the last event, `phase` the blink phase then.
    void watchdog_sleepsUntilTheTickThatActs_data() {
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("sleeps");
        QTest::addColumn<int>("phase");
        QTest::newRow("from the start: the silent count and the poll fall due together")
            << "" << 11 << 0;
        QTest::newRow("four quiet ticks later") << "...." << 7 << 0;
        QTest::newRow("the eleventh polls and turns the lamp red") << "..........." << 1 << 1;
        QTest::newRow("after the poll's tick the next poll is ten ticks on")
            << "............" << 10 << 0;
        QTest::newRow("a frame: its lamp goes out at the next tick") << "...f" << 1 << 1;
        QTest::newRow("after that, eleven ticks from the frame to the poll, the lamp sooner")
            << "...f." << 7 << 0;
        QTest::newRow("frames keep the poll away, not the red lamp") << "......f." << 4 << 1;
        QTest::newRow("an answer restarts both counts") << "......u" << 1 << 0;
        QTest::newRow("after the answer's tick") << "......u." << 10 << 1;
        QTest::newRow("a burst that is no answer changes nothing") << "...x" << 8 << 1;
        QTest::newRow("a close request: the next tick takes it") << "..c" << 1 << 0;
        QTest::newRow("and after it the sleep goes on") << "..c." << 8 << 1;
        QTest::newRow("a typed number blinks every tick") << ".1..." << 1 << 0;
        QTest::newRow("Esc ends the blink, the sleep resumes in phase") << ".1...e" << 7 << 0;
        QTest::newRow("a red lamp only waits for the poll") << "L" << 11 << 0;
        QTest::newRow("red, frames keep the poll away and the lamp stays red")
            << "L.........f.........f" << 1 << 0;
        QTest::newRow("red, silent count starting over unseen") << "L.....f.....f....." << 6 << 1;
    }
    void watchdog_sleepsUntilTheTickThatActs() {
        QFETCH(QString, events);
        QFETCH(int, sleeps);
        QFETCH(int, phase);
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        for (const QChar e : events) {
            switch (e.toLatin1()) {
            case '.':
                Tick(panel);
                if (QTest::currentTestFailed())
                    return;
                break;
            case 'f':
                panel.SendCommand(CMD_CHANNEL, 0);
                break;
            case 'u':
            case 'x':
                Acknowledge(panel, e.toLatin1());
                break;
            case 'c':
                session.RequestClose();
                break;
            case '1':
                panel.OnKeyDown(VirtualKey::kDigit0 + 1);
                break;
            case 'e':
                panel.OnKeyDown(VirtualKey::kEscape);
                break;
            case 'L':
                EditLink(panel, [](LinkSupervision& s) { s.linkLost = 1; });
                break;
            default:
                QFAIL("unknown event");
            }
        }
        const LinkSupervision s = session.Link().Supervision();
        QCOMPARE(
            TicksUntilEffective(s, session.CloseRequestPending(), panel.Input().TypedValue() != 0),
            sleeps);
        QCOMPARE(s.blinkPhase, phase);
    }

    // With its own timer: the tick that acts comes in the phase the watchdog started with, the
    // ones before it are slept through and still counted.
    void watchdog_keepsItsPhaseWhileItSleeps() {
        RecordingHost host;
        DeviceSession session;
        PanelController panel(session, host);
        panel.ResetState();
        QElapsedTimer clock;
        clock.start();
        session.StartWatchdog();
        QTest::qWait(WATCHDOG_PERIOD_START_MS + 220);
        QCOMPARE(host.repaintRequests, 0); // the first tick changed nothing, so nobody woke
        panel.SendCommand(CMD_CHANNEL, 0);
        QCOMPARE(session.Link().Supervision().idleTicks, 0);
        QCOMPARE(session.Link().Supervision().silentTicks, 1);
        host.repaintRequests = 0;
        QTRY_VERIFY_WITH_TIMEOUT(session.Link().Supervision().txFlag == 0, 1000);
        const qint64 lampOut = clock.elapsed();
        // The second tick of the start, not a period after the frame.
        QVERIFY2(lampOut >= 2 * WATCHDOG_PERIOD_START_MS - 5 &&
                     lampOut < 2 * WATCHDOG_PERIOD_START_MS + 80,
                 qPrintable(QString::number(lampOut)));
        QCOMPARE(host.repaintRequests, 1);
        QCOMPARE(session.Link().Supervision().silentTicks, 2);
        QCOMPARE(session.Link().Supervision().blinkPhase, 0);
        session.RequestClose();
        QTRY_VERIFY_WITH_TIMEOUT(!session.CloseRequestPending(), 1000);
        const qint64 taken = clock.elapsed();
        QVERIFY2(taken >= 3 * WATCHDOG_PERIOD_START_MS - 5 &&
                     taken < 3 * WATCHDOG_PERIOD_START_MS + 80,
                 qPrintable(QString::number(taken)));
        QCOMPARE(session.Link().Supervision().silentTicks, 3);
        // A number typed after a tick slept through blinks in the phase of the ticks that ran on.
        QTest::qWait(int(4 * WATCHDOG_PERIOD_START_MS + 250 - clock.elapsed()));
        panel.OnKeyDown(VirtualKey::kDigit0 + 7);
        QCOMPARE(session.Link().Supervision().blinkPhase, 0);
        QCOMPARE(session.Link().Supervision().silentTicks, 4);
        QTRY_VERIFY_WITH_TIMEOUT(session.Link().Supervision().blinkPhase == 1, 1000);
        const qint64 blinked = clock.elapsed();
        QVERIFY2(blinked >= 5 * WATCHDOG_PERIOD_START_MS - 5 &&
                     blinked < 5 * WATCHDOG_PERIOD_START_MS + 80,
                 qPrintable(QString::number(blinked)));
        // A loop stalled across the sixth tick runs it late; the seventh keeps to the grid.
        std::this_thread::sleep_for(
            std::chrono::milliseconds(6 * WATCHDOG_PERIOD_START_MS + 200 - clock.elapsed()));
        QTRY_VERIFY_WITH_TIMEOUT(session.Link().Supervision().blinkPhase == 0, 1000);
        QTRY_VERIFY_WITH_TIMEOUT(session.Link().Supervision().blinkPhase == 1, 1000);
        const qint64 onGrid = clock.elapsed();
        QVERIFY2(onGrid >= 7 * WATCHDOG_PERIOD_START_MS - 5 &&
                     onGrid < 7 * WATCHDOG_PERIOD_START_MS + 80,
                 qPrintable(QString::number(onGrid)));
    }

    void sync_waitsForAnswerThenSendsEightChannelsInOrder() {
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        session.StartWatchdog();
        session.StartSynchronisation();
        for (int i = 0; i < CHANNEL_COUNT; ++i)
            EditChannels(panel, [&](ChannelModel& m) { m.SetLevel(i, 10 * i); });

        session.Link().OnSyncTick();
        QCOMPARE(session.Link().Supervision().syncIndex, 0);
        QVERIFY(session.Link().WatchdogRunning());

        Acknowledge(panel);
        // A watchdog tick between the answer and the next sync tick puts the RX lamp out.
        session.Link().OnWatchdogTick();
        QCOMPARE(session.Link().Supervision().rxFlag, 0);
        for (int i = 0; i < CHANNEL_COUNT; ++i) {
            session.Link().OnSyncTick();
            QVERIFY(!session.Link().WatchdogRunning());
            QCOMPARE(session.LastFrame().bytes[2], std::uint8_t(i + 1));
            QCOMPARE(session.LastFrame().bytes[4], std::uint8_t(10 * i));
            QCOMPARE(session.Link().Supervision().syncIndex, i + 1);
        }
        QVERIFY(session.Link().SyncRunning());
        session.Link().OnSyncTick();
        QVERIFY(!session.Link().SyncRunning());
        QCOMPARE(session.Link().WatchdogPeriodMs(), WATCHDOG_PERIOD_SUPERVISING_MS);
    }

    void repeat_firstStepOnTwentySecondTick_thenEveryTick() {
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        EditChannels(panel, [](ChannelModel& m) {
            m.SetPower(0, 1);
            m.SetLevel(0, 253);
        });
        EditInput(panel, [](OperatorInput& in) { in.StartRepeat(); });
        panel.ShowHover({.plusRow = 0});
        for (int tick = 1; tick <= 21; ++tick) {
            EditLink(panel, [&](LinkSupervision& s) { s.txFlag = 0; });
            panel.OnRepeatTick();
            QCOMPARE(session.Link().Supervision().txFlag, 0);
            QVERIFY(panel.Input().SendReady());
        }
        QCOMPARE(panel.Channels().Level(0), 253);
        panel.OnRepeatTick();
        QCOMPARE(panel.Channels().Level(0), 254);
        panel.OnRepeatTick();
        QCOMPARE(panel.Channels().Level(0), 255);
        // At the top the steps stop but the frames go on.
        EditLink(panel, [&](LinkSupervision& s) { s.txFlag = 0; });
        panel.OnRepeatTick();
        QCOMPARE(panel.Channels().Level(0), 255);
        QCOMPARE(session.Link().Supervision().txFlag, 1);
        // The tick sends, so it also re-arms the throttle for the next one.
        QVERIFY(panel.Input().SendReady());
    }

    void repeat_requestsRepaintEveryTick() {
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        panel.OnRepeatTick();
        panel.OnRepeatTick();
        QCOMPARE(host.repaintRequests, 2);
        QVERIFY(panel.RedrawPending());
    }

    void repeat_sleepsWhenIdle_wakesForInput() {
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        panel.StartRepeatTick();
        panel.OnRepeatTick();
        QVERIFY(!panel.RepeatTickRunning());
        // Tab changes the look without a frame; only the tick shows it.
        panel.OnKeyDown(VirtualKey::kTab);
        QCOMPARE(panel.RepeatTickPeriodMs(), REPEAT_PERIOD_MS);
        panel.OnRepeatTick();
        QVERIFY(!panel.RepeatTickRunning());
        // A throttled send needs the tick that re-arms it.
        panel.SendCommand(CMD_SELECTED);
        QVERIFY(!panel.Input().SendReady());
        QVERIFY(panel.RepeatTickRunning());
        // Held or dragged, it ticks on until the release.
        for (auto hold :
             {+[](OperatorInput& in) { in.Press(); }, +[](OperatorInput& in) { in.BeginDrag(); },
              +[](OperatorInput& in) { in.StartRepeat(); }}) {
            EditInput(panel, hold);
            panel.OnMouseMove(600, 300);
            for (int tick = 0; tick < 3; ++tick)
                panel.OnRepeatTick();
            QVERIFY(panel.RepeatTickRunning());
            panel.OnLButtonUp();
            panel.OnRepeatTick();
            QVERIFY(!panel.RepeatTickRunning());
        }
        // Meanwhile the watchdog shows its own lamp and blink changes.
        host.repaintRequests = 0;
        session.Link().OnWatchdogTick();
        QCOMPARE(host.repaintRequests, 1);
    }

    void closeRequest_runsExitOnNextWatchdogTick_data() {
        QTest::addColumn<DialogResult>("answer");
        QTest::newRow("confirmed") << DialogResult::Ok;
        QTest::newRow("cancelled") << DialogResult::Cancel;
    }
    void closeRequest_runsExitOnNextWatchdogTick() {
        QFETCH(DialogResult, answer);
        TempConfigHome home;
        HostedPanel rig(false);
        auto& [host, session, panel] = rig;
        session.BuildPaths();
        panel.ResetState();
        session.LoadSettings();
        EditChannels(panel, [&](ChannelModel& m) { m.SetLevel(1, 99); });
        EditInput(panel, [](OperatorInput& in) {
            in.Press();
            in.BeginDrag();
            in.StartRepeat();
            for (int tick = 0; tick < 12; ++tick)
                in.CountRepeatTick();
        });
        host.exitDialogResult = answer;

        session.Link().OnSyncTick();
        QCOMPARE(host.exitDialogRuns, 0);
        session.RequestClose();
        session.Link().OnWatchdogTick();
        // The dialog waits for the tick to return, so later ticks are not held back by it; a
        // second request before it opens adds nothing.
        QCOMPARE(host.exitDialogRuns, 0);
        QVERIFY(!session.CloseRequestPending());
        session.RequestClose();
        session.Link().OnWatchdogTick();
        QTRY_COMPARE(host.exitDialogRuns, 1);
        QTest::qWait(20);
        QCOMPARE(host.exitDialogRuns, 1);
        for (int v : {int(panel.Input().ButtonHeld()), int(panel.Input().DragActive()),
                      int(panel.Input().RepeatActive()), panel.Input().RepeatTicks()})
            QCOMPARE(v, 0);
        if (answer == DialogResult::Ok) {
            QCOMPARE(host.quitCode, EXIT_CODE_CONFIRMED);
            QCOMPARE(session.LastFrame().bytes[1], FRAME_CODE_ALL_OFF);
            QVERIFY(QFile::exists(home.settingsFile()));
            // The model keeps its levels for the next start.
            QCOMPARE(panel.Channels().Level(1), 99);
        } else {
            QCOMPARE(host.quitCode, -1);
            QVERIFY(!QFile::exists(home.settingsFile()));
        }
    }

    // A missing device is looked for again every second; a path that turns out to be no serial
    // port, or one this user may not open, stays so until the operator acts: no more tries.
    void openRefused_isNotRetried_data() {
        QTest::addColumn<QString>("refused"); // "" for a regular file made where the port was
        QTest::addColumn<int>("kind");
        QTest::newRow("not a terminal") << QString() << int(PortErrorKind::NotATerminal);
        // Write-protected for root too (sysctl files go by their owner bits).
        QTest::newRow("permission denied")
            << QString("/proc/sys/kernel/osrelease") << int(PortErrorKind::PermissionDenied);
    }
    void openRefused_isNotRetried() {
        QFETCH(QString, refused);
        QFETCH(int, kind);
        QTemporaryDir dir;
        const QString missing = dir.filePath("ttyUSB0");
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        session.Settings().SetPortName(missing);
        session.Connect();
        QCOMPARE(int(session.Link().Com().LastError().kind), int(PortErrorKind::NotFound));
        QVERIFY(session.Link().ReconnectPending());
        if (refused.isEmpty())
            QVERIFY(QFile::link("/etc/hostname", missing) || WriteAll(missing, "x"));
        else
            QVERIFY(QFile::link(refused, missing));
        session.Link().OnReconnectTick();
        if (session.Link().Com().LastError().kind == PortErrorKind::Other)
            QSKIP("the refusing file is on a read-only mount here");
        QCOMPARE(int(session.Link().Com().LastError().kind), kind);
        QVERIFY(!session.Link().PortOpen());
        QVERIFY(!session.Link().ReconnectPending());
        // The one message is the first attempt's; the retry was quiet.
        QCOMPARE(host.messages.size(), 1);
    }

    void initialUpdate_withoutSettings_reportsPortAndRunsClosed() {
        TempConfigHome home;
        HostedPanel rig(false);
        auto& [host, session, panel] = rig;
        panel.OnInitialUpdate();
        QCOMPARE(session.Settings().PortName(), QStringLiteral("NULL"));
        QCOMPARE(host.messages.size(), 1);
        QCOMPARE(host.messages[0].split(u'\n').constFirst(),
                 QStringLiteral("포트를 확인하십시요."));
        QVERIFY2(host.messages[0].contains(QStringLiteral("No port has been chosen yet")),
                 qPrintable(host.messages[0]));
        QCOMPARE(host.captions, QStringList{QStringLiteral("Morvix")});
        QVERIFY(!session.PortOpen());
        // Nothing would change by itself, so nothing is retried.
        QVERIFY(!session.Link().ReconnectPending());
        QCOMPARE(panel.RepeatTickPeriodMs(), REPEAT_PERIOD_MS);
        QCOMPARE(session.Link().WatchdogPeriodMs(), WATCHDOG_PERIOD_START_MS);
        QVERIFY(!session.Link().SyncRunning());
        // The start-up poll is attempted anyway and lights TX.
        QCOMPARE(session.LastFrame().bytes[1], FRAME_CODE_POLL);
        QCOMPARE(session.Link().Supervision().txFlag, 1);
        QVERIFY(QDir(home.settingsFolder()).exists());
    }
};

QTEST_GUILESS_MAIN(tst_LinkSupervision)
#include "tst_linksupervision.moc"
