#include "FrameBytes.h"
#include "HostedPanel.h"
#include "model/ChannelFrame.h"
#include "panel/PanelController.h"

#include <QtTest>

class tst_ChannelFrames : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sendCommand_buildsWorkedFrames_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("power");
        QTest::addColumn<int>("level");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("poll") << int(CMD_POLL) << 0 << 0 << 0 << QByteArray("95 01 00 00 00 96");
        QTest::newRow("all off") << int(CMD_ALL_OFF) << 0 << 0 << 0
                                 << QByteArray("95 03 08 00 00 a0");
        QTest::newRow("ch0 on 255 wraps the sum")
            << int(CMD_CHANNEL) << 0 << 1 << 255 << QByteArray("95 02 01 01 ff 98");
        QTest::newRow("ch7 off keeps its level")
            << int(CMD_CHANNEL) << 7 << 0 << 100 << QByteArray("95 02 08 00 64 03");
        QTest::newRow("ch2 on 0") << int(CMD_CHANNEL) << 2 << 1 << 0
                                  << QByteArray("95 02 03 01 00 9b");
        QTest::newRow("selected ch7 is number 8")
            << int(CMD_SELECTED) << 7 << 1 << 1 << QByteArray("95 02 08 01 01 a1");
        QTest::newRow("type 1 sends the low byte of 300")
            << int(CMD_CHANNEL) << 3 << 1 << 300 << QByteArray("95 02 04 01 2c c8");
    }
    void sendCommand_buildsWorkedFrames() {
        QFETCH(int, type);
        QFETCH(int, channel);
        QFETCH(int, power);
        QFETCH(int, level);
        QFETCH(QByteArray, frame);
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        EditChannels(panel, [&](ChannelModel& m) {
            m.SetPower(channel, power);
            m.SetLevel(channel, level);
        });
        if (type == CMD_SELECTED)
            EditChannels(panel, [&](ChannelModel& m) { m.Select(channel); });
        EditLink(panel, [&](LinkSupervision& s) { s.idleTicks = 7; });

        panel.SendCommand(type, type == CMD_CHANNEL ? channel : 0);

        QCOMPARE(Hex(session.LastFrame().bytes), frame);
        QCOMPARE(session.Link().Supervision().txFlag, 1);
        QCOMPARE(session.Link().Supervision().idleTicks, 0);
        QVERIFY(panel.RedrawPending());
        QCOMPARE(host.repaintRequests, 1);
    }

    void selected_outOfRangeLevel_sendsNothing_data() {
        QTest::addColumn<int>("level");
        QTest::newRow("300") << 300;
        QTest::newRow("256") << 256;
        QTest::newRow("-1") << -1;
    }
    void selected_outOfRangeLevel_sendsNothing() {
        QFETCH(int, level);
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        panel.SendCommand(CMD_POLL);
        const auto before = session.LastFrame().bytes;
        EditLink(panel, [&](LinkSupervision& s) { s.txFlag = 0; });
        EditInput(panel, [](OperatorInput& in) { in.OpenSend(); });
        panel.TakeRedrawPending();
        EditLink(panel, [&](LinkSupervision& s) { s.idleTicks = 4; });
        host.repaintRequests = 0;
        EditChannels(panel, [&](ChannelModel& m) { m.SetLevel(0, level); });

        panel.SendCommand(CMD_SELECTED);

        QCOMPARE(session.LastFrame().bytes, before);
        QCOMPARE(session.Link().Supervision().txFlag, 0);
        QVERIFY(panel.Input().SendReady());
        QCOMPARE(session.Link().Supervision().idleTicks, 4);
        QVERIFY(!panel.RedrawPending());
        QCOMPARE(host.repaintRequests, 0);
    }

    void selected_clearsSendReady_othersKeepIt() {
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        for (int type : {int(CMD_CHANNEL), int(CMD_ALL_OFF), int(CMD_POLL)}) {
            EditInput(panel, [](OperatorInput& in) { in.OpenSend(); });
            panel.SendCommand(type, 0);
            QVERIFY(panel.Input().SendReady());
        }
        panel.SendCommand(CMD_SELECTED);
        QVERIFY(!panel.Input().SendReady());
    }

    void unknownType_writesNothing() {
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        QCOMPARE(panel.SendCommand(5), 0);
        QCOMPARE(session.Link().Supervision().txFlag, 0);
        QCOMPARE(host.repaintRequests, 0);
    }

    void channelIndexOutsideTheModel_isRefused() {
        HostedPanel rig;
        auto& [host, session, panel] = rig;
        QCOMPARE(panel.SendCommand(CMD_CHANNEL, 8), 0);
        QCOMPARE(panel.SendCommand(CMD_CHANNEL, -1), 0);
        QCOMPARE(session.Link().Supervision().txFlag, 0);
    }

    void resetState_startCondition() {
        HostedPanel rig(false);
        auto& [host, session, panel] = rig;
        EditChannels(panel, [](ChannelModel& m) {
            m.Select(5);
            for (int c = 0; c < CHANNEL_COUNT; ++c)
                m.SetSliderOrigin(c, 3);
            m.SetLevel(2, 77);
            m.SetPower(2, 1);
        });
        EditLink(panel, [](LinkSupervision& s) { s.txFlag = s.rxFlag = s.linkLost = 1; });
        EditLink(panel, [](LinkSupervision& s) { s.idleTicks = s.silentTicks = s.syncIndex = 9; });
        EditInput(panel, [](OperatorInput& in) {
            in.Press();
            in.BeginDrag();
            in.StartRepeat();
            for (int tick = 0; tick < 30; ++tick)
                in.CountRepeatTick();
            in.EnterDigit(4);
            in.EnterDigit(2);
        });
        QCOMPARE(panel.Input().TypedValue(), 42);
        session.Settings().SetPortName(QStringLiteral("COM3"));
        session.RequestClose();

        panel.ResetState();

        QCOMPARE(panel.Channels().Selected(), 0);
        QCOMPARE(session.LastFrame().bytes[0], FRAME_HEADER);
        for (int c = 0; c < CHANNEL_COUNT; ++c)
            QCOMPARE(panel.Channels().SliderOrigin(c), 250);
        for (int v :
             {session.Link().Supervision().txFlag, session.Link().Supervision().rxFlag,
              session.Link().Supervision().linkLost, session.Link().Supervision().idleTicks,
              session.Link().Supervision().silentTicks, session.Link().Supervision().syncIndex,
              int(panel.Input().RepeatActive()), int(panel.Input().ButtonHeld()),
              int(panel.Input().DragActive()), panel.Input().RepeatTicks(),
              panel.Input().DigitCount(), panel.Input().TypedValue()})
            QCOMPARE(v, 0);
        QCOMPARE(panel.Input().TypedDigits(), (std::array<int, 3>{0, 0, 0}));
        QVERIFY(!session.CloseRequestPending());
        // The model itself is the settings' business.
        QCOMPARE(panel.Channels().Level(2), 77);
        QCOMPARE(panel.Channels().Power(2), 1);
        QCOMPARE(session.Settings().PortName(), QStringLiteral("COM3"));
    }
};

QTEST_GUILESS_MAIN(tst_ChannelFrames)
#include "tst_channelframes.moc"
