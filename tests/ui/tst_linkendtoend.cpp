#include "DeviceWithSettings.h"
#include "HostedPanel.h"
#include "panel/KeyMap.h"
#include "session/DeviceSession.h"
#include "ui/view/CMorvixView.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>
#include <algorithm>

namespace {
// x and y of a pointer event: half the time anywhere on the window, half the time in a column
// where something is (switch boxes, + and -, sliders, the two buttons).
QPoint RandomPoint(QRandomGenerator& random) {
    static constexpr int kColumns[][2] = {{111, 160}, {181, 194}, {230, 526}, {81, 330}};
    int x = random.bounded(0, 540);
    if (random.bounded(2) == 0) {
        const auto& column = kColumns[random.bounded(4)];
        x = random.bounded(column[0], column[1]);
    }
    return {x, random.bounded(0, 460)};
}

int RandomKey(QRandomGenerator& random) {
    using namespace VirtualKey;
    static constexpr int kKeys[] = {kRight,  kRight,  kLeft, kLeft, kSpace, kTab,
                                    kEscape, kReturn, 38,    40,    65};
    if (random.bounded(3) == 0)
        return (random.bounded(2) == 0 ? kDigit0 : kNumpad0) + random.bounded(10);
    return kKeys[random.bounded(int(std::size(kKeys)))];
}

// The window as the program opens it: OnInitialUpdate reads set.ini, opens the port and starts
// the synchronisation.
struct SessionHolder {
    DeviceSession session;
};
// The view on its own session, started as the application starts it.
struct OpenedView : SessionHolder, CMorvixView {
    OpenedView() : CMorvixView(session) { OnInitialUpdate(); }
};
} // namespace

// A started simulated device, `device`, named in set.ini, and `sim` for it.
#define START_DEVICE(...)                                                                          \
    DeviceWithSettings device{__VA_ARGS__};                                                        \
    QVERIFY2(device.Start(), qPrintable(device.sim.errorString()));                                \
    DevSim& sim = device.sim

// The real sequence over a pseudo-terminal: the view with its Qt timers against the simulator.
class tst_LinkEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startUp_pollThenEightChannelsThenSupervision() {
        START_DEVICE();
        OpenedView view;
        QVERIFY(view.Panel().Session().PortOpen());

        QTRY_COMPARE_WITH_TIMEOUT(sim.validFrameCount(), 9, 3000);
        const auto frames = sim.validFrames();
        QCOMPARE(Hex(frames[0]), QByteArray("95 01 00 00 00 96"));
        for (int i = 0; i < CHANNEL_COUNT; ++i) {
            const DevSimCommand& c = frames[i + 1].command;
            QCOMPARE(c.kind, DevSimCommandKind::Set);
            QCOMPARE(c.channel, i + 1);
            QCOMPARE(c.power, i % 2);
            QCOMPARE(c.level, 30 * i);
        }
        // One channel per 20 ms tick; generous bounds for a loaded machine.
        const auto span = frames[8].timestampUs - frames[1].timestampUs;
        QVERIFY2(span >= 7 * 15000 && span <= 7 * 80000, qPrintable(QString::number(span)));
        QTRY_COMPARE(view.Panel().Session().Link().WatchdogPeriodMs(),
                     WATCHDOG_PERIOD_SUPERVISING_MS);
        QTRY_VERIFY(!view.Panel().Session().Link().SyncRunning());
        for (int i = 0; i < CHANNEL_COUNT; ++i)
            QCOMPARE(sim.channel(i), (DevSimChannel{i % 2, 30 * i}));
        QCOMPARE(view.Panel().Session().Link().Supervision().linkLost, 0);

        // The lamp's figures agree with what the device saw.
        QTRY_COMPARE(view.Panel().Session().Health().answersReceived, long(sim.answersSent()));
        const LinkHealth health = view.Panel().Session().Health();
        QCOMPARE(health.state, LinkState::Answering);
        QCOMPARE(health.portPath, sim.portPath());
        QCOMPARE(health.framesSent, long(sim.validFrameCount()));
        QVERIFY(health.lastRoundTripMs.has_value() && *health.lastRoundTripMs > 0.0);
    }

    // Unplugged and plugged in again: the device gets its channels back without the operator.
    void unplugAndReplug_deviceGetsItsChannelsBack() {
        TempConfigHome home;
        const QString link = home.path() + "/ttyMorvix";
        DevSimOptions options{.linkPath = link};
        auto first = std::make_unique<DevSim>(options);
        QVERIFY2(first->start(), qPrintable(first->errorString()));
        QVERIFY(WriteSettings(home, link));
        OpenedView view;
        QTRY_COMPARE_WITH_TIMEOUT(first->validFrameCount(), 9, 3000);

        first.reset(); // the port closes and its path goes
        QTRY_VERIFY(!view.Panel().Session().PortOpen());
        QCOMPARE(view.Panel().Session().Health().state, LinkState::Closed);
        QTRY_VERIFY(view.Panel().Session().Link().ReconnectPending());
        QCOMPARE(view.Panel().Session().Link().ReconnectPeriodMs(), RECONNECT_PERIOD_MS);
        // Retries while it is away stay silent: a message box would block this loop.
        QTest::qWait(1500);
        QVERIFY(!QApplication::activeModalWidget());

        DevSim second(options);
        QVERIFY2(second.start(), qPrintable(second.errorString()));
        const auto back = DevSim::nowUs();
        QTRY_COMPARE_WITH_TIMEOUT(second.validFrameCount(), 9, 5000);
        const auto frames = second.validFrames();
        QCOMPARE(frames[0].command.kind, DevSimCommandKind::Poll);
        for (int i = 0; i < CHANNEL_COUNT; ++i)
            QCOMPARE(second.channel(i), (DevSimChannel{i % 2, 30 * i}));
        // About a second between looks, then the poll's answer and eight 20 ms ticks; loose
        // enough for a loaded machine.
        const auto resync = frames[8].timestampUs - back;
        QVERIFY2(resync < 3'000'000, qPrintable(QString::number(resync)));
        qInfo("re-sync: %.0f ms from the device's return to its eighth channel", resync / 1000.0);
        QVERIFY(!view.Panel().Session().Link().ReconnectPending());
        QTRY_COMPARE(view.Panel().Session().Health().state, LinkState::Answering);
    }

    void quietDevice_isPolledEveryElevenTicks() {
        START_DEVICE();
        OpenedView view;
        QTRY_COMPARE_WITH_TIMEOUT(sim.validFrameCount(), 9, 3000);
        QTRY_VERIFY(!view.Panel().Session().Link().SyncRunning());
        const auto lastSync = sim.validFrames().back().timestampUs;
        // 11 watchdog ticks of 300 ms after the last frame.
        QTRY_COMPARE_WITH_TIMEOUT(sim.validFrameCount(), 10, 6000);
        const DevSimFrame poll = sim.validFrames().back();
        QCOMPARE(poll.command.kind, DevSimCommandKind::Poll);
        const auto quiet = poll.timestampUs - lastSync;
        QVERIFY2(quiet >= 3000000 && quiet <= 4500000, qPrintable(QString::number(quiet)));
    }

    void silentDevice_noSynchronisationAndRedLink() {
        START_DEVICE(DevSimOptions{.faults = {.silent = true}});
        HostedPanel rig(false);
        auto& [host, session, panel] = rig;
        panel.OnInitialUpdate();
        QVERIFY(session.PortOpen());
        QCOMPARE(session.Health().state, LinkState::Waiting);
        QVERIFY(sim.waitForValidFrames(1, 2000));
        for (int tick = 0; tick < 20; ++tick)
            session.Link().OnSyncTick();
        for (int tick = 0; tick < 11; ++tick)
            session.Link().OnWatchdogTick();
        QCOMPARE(session.Link().Supervision().linkLost, 1);
        QCOMPARE(session.Health().state, LinkState::NoAnswer);
        QVERIFY(LinkHealthText(session.Health()).contains("Last answer: no answer yet"));
        // Start-up poll, then the keep-alive poll of the eleventh tick; no channel frames.
        QVERIFY(sim.waitForValidFrames(2, 2000));
        const auto frames = sim.validFrames();
        QCOMPARE(int(frames.size()), 2);
        QCOMPARE(frames[1].command.kind, DevSimCommandKind::Poll);
    }

    void garbageAnswer_isNotAnAcknowledgement() {
        START_DEVICE(DevSimOptions{.faults = {.garbage = true}});
        HostedPanel rig(false);
        auto& [host, session, panel] = rig;
        panel.OnInitialUpdate();
        QVERIFY(sim.waitForAnswers(1, 2000));
        // Give the answer time to cross; it must change nothing.
        QTest::qWait(100);
        QCOMPARE(session.Link().Supervision().rxFlag, 0);
    }

    void exit_confirmedSendsAllOff_cancelledSendsNothing() {
        START_DEVICE();
        HostedPanel rig(false);
        auto& [host, session, panel] = rig;
        panel.OnInitialUpdate();
        QVERIFY(sim.waitForValidFrames(1, 2000));
        sim.clearLog();

        host.exitDialogResult = DialogResult::Cancel;
        panel.ExitProgram();
        QTest::qWait(100);
        QCOMPARE(sim.frameCount(), 0);

        host.exitDialogResult = DialogResult::Ok;
        panel.ExitProgram();
        QVERIFY(sim.waitForValidFrames(1, 2000));
        QCOMPARE(Hex(sim.validFrames()[0]), QByteArray("95 03 08 00 00 a0"));
        QCOMPARE(host.quitCode, 18);
    }

    // Keys, pointer events and repeat ticks in random order, the device answering all along:
    // whenever the operator has let go of the button, the device holds exactly what the panel
    // shows, and no frame was torn on the way.
    void randomOperatorInput_deviceEqualsPanelWhenLetGo() {
        START_DEVICE();
        HostedPanel rig(false);
        auto& [host, session, panel] = rig;
        panel.OnInitialUpdate();
        QVERIFY(session.PortOpen());
        for (int i = 0; i < 500 && session.Link().SyncRunning(); ++i) {
            QTest::qWait(5);
            session.Link().OnSyncTick();
        }
        QVERIFY(!session.Link().SyncRunning());
        sim.clearLog();

        // With no watchdog ticks in the mix, every poll is one of these markers; frames go out
        // in order from this thread, so once the device has a marker it has everything before.
        int markers = 0;
        const auto deviceCaughtUp = [&] {
            panel.SendCommand(CMD_POLL);
            ++markers;
            for (;;) {
                const auto frames = sim.validFrames();
                if (std::count_if(frames.begin(), frames.end(), [](const DevSimFrame& f) {
                        return f.command.kind == DevSimCommandKind::Poll;
                    }) >= markers)
                    return true;
                if (!sim.waitForValidFrames(int(frames.size()) + 1, 5000))
                    return false;
            }
        };
        const auto mismatch = [&]() -> QString {
            for (int i = 0; i < CHANNEL_COUNT; ++i) {
                const DevSimChannel panelChannel{panel.Channels().Power(i),
                                                 panel.Channels().Level(i)};
                if (sim.channel(i) != panelChannel)
                    return QStringLiteral("channel %1: device %2/%3, panel %4/%5")
                        .arg(i)
                        .arg(sim.channel(i).power)
                        .arg(sim.channel(i).level)
                        .arg(panelChannel.power)
                        .arg(panelChannel.level);
            }
            return {};
        };

        const quint32 seed = qEnvironmentVariableIsSet("MORVIX_TORTURE_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("MORVIX_TORTURE_SEED"))
                                 : 20261207u;
        QRandomGenerator random(seed);
        int checks = 0;
        QStringList recent; // the last events, for the failure message
        int inputs = 0;     // key and pointer events; ticks come between them
        for (int event = 0; inputs < 10000; ++event) {
            const int kind = random.bounded(100);
            const QPoint at = RandomPoint(random);
            const QString where = QStringLiteral("%1,%2").arg(at.x()).arg(at.y());
            bool input = true;
            if (kind < 30) {
                const int key = RandomKey(random);
                recent << QStringLiteral("key %1").arg(key);
                panel.OnKeyDown(key);
            } else if (kind < 60) {
                recent << QStringLiteral("move ") + where;
                panel.OnMouseMove(at.x(), at.y());
            } else if (kind < 72 && !panel.Input().ButtonHeld()) {
                recent << QStringLiteral("press ") + where;
                panel.OnLButtonDown(at.x(), at.y());
            } else if (kind < 84 && panel.Input().ButtonHeld()) {
                recent << QStringLiteral("release");
                panel.OnLButtonUp();
            } else if (kind < 86 && !panel.Input().ButtonHeld()) {
                recent << QStringLiteral("double-click ") + where;
                panel.OnLButtonDblClk(at.x(), at.y());
            } else if (kind >= 86) {
                recent << QStringLiteral("tick");
                panel.OnRepeatTick();
                input = false;
            } else {
                input = false;
            }
            if (recent.size() > 16)
                recent.removeFirst();
            inputs += input ? 1 : 0;
            // Lets the answers in, as the event loop would between two inputs.
            QCoreApplication::processEvents();
            if (!panel.Input().ButtonHeld()) {
                QVERIFY2(deviceCaughtUp(), qPrintable(QStringLiteral("event %1").arg(event)));
                const QString wrong = mismatch();
                QVERIFY2(wrong.isEmpty(),
                         qPrintable(QStringLiteral("seed %1, event %2: %3 after %4")
                                        .arg(seed)
                                        .arg(event)
                                        .arg(wrong, recent.join(QStringLiteral("; ")))));
                ++checks;
            }
        }
        panel.OnLButtonUp();
        QVERIFY(deviceCaughtUp());
        QVERIFY2(mismatch().isEmpty(), qPrintable(mismatch()));
        qInfo("seed %u: %d inputs, %d frames, %d comparisons", seed, inputs, sim.validFrameCount(),
              checks + 1);
        QCOMPARE(sim.frameCount(), sim.validFrameCount());
        QCOMPARE(sim.skippedBytes(), 0L);
    }

    void closeRequestDuringSync_isActedOnAfterIt() {
        START_DEVICE();
        OpenedView view;
        // As soon as the synchronisation has started, ask to close.
        QTRY_VERIFY_WITH_TIMEOUT(sim.validFrameCount() >= 2, 3000);
        view.Panel().Session().RequestClose();
        // The exit dialog runs its own loop; answer it from inside that loop.
        // It stays open until the watchdog has polled the quiet device: supervision goes on
        // behind the dialog.
        int framesWhenAsked = -1;
        bool polledWhileOpen = false;
        QElapsedTimer open;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&] {
            auto* dialog = QApplication::activeModalWidget();
            if (!dialog)
                return;
            if (framesWhenAsked == -1) {
                framesWhenAsked = sim.validFrameCount();
                open.start();
            }
            polledWhileOpen = sim.validFrameCount() > framesWhenAsked;
            if (polledWhileOpen || open.elapsed() > 6000)
                dialog->close();
        });
        answerer.start(10);
        QTRY_VERIFY_WITH_TIMEOUT(framesWhenAsked != -1, 3000);
        // Asked only once all eight channels had gone out and the 300 ms watchdog took over.
        QCOMPARE(framesWhenAsked, 9);
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), 8000);
        QVERIFY(polledWhileOpen);
        QCOMPARE(sim.validFrames().back().command.kind, DevSimCommandKind::Poll);
        QCOMPARE(view.Panel().Session().Link().WatchdogPeriodMs(), WATCHDOG_PERIOD_SUPERVISING_MS);
        QVERIFY(!view.Panel().Session().CloseRequestPending());
    }
};

QTEST_MAIN(tst_LinkEndToEnd)
#include "tst_linkendtoend.moc"
