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
        auto& [host, panel] = rig;
        panel.m_channelPower[channel] = power;
        panel.m_channelLevel[channel] = level;
        if (type == CMD_SELECTED)
            panel.m_selectedChannel = channel;
        EditLink(panel, [&](LinkSupervision& s) { s.idleTicks = 7; });

        panel.SendCommand(type, type == CMD_CHANNEL ? channel : 0);

        QCOMPARE(Hex(panel.m_frame.bytes), frame);
        QCOMPARE(panel.Link().Supervision().txFlag, 1);
        QCOMPARE(panel.Link().Supervision().idleTicks, 0);
        QVERIFY(panel.m_redrawPending);
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
        auto& [host, panel] = rig;
        panel.SendCommand(CMD_POLL);
        const auto before = panel.m_frame.bytes;
        EditLink(panel, [&](LinkSupervision& s) { s.txFlag = 0; });
        panel.m_sendReady = true;
        panel.m_redrawPending = false;
        EditLink(panel, [&](LinkSupervision& s) { s.idleTicks = 4; });
        host.repaintRequests = 0;
        panel.m_channelLevel[0] = level;

        panel.SendCommand(CMD_SELECTED);

        QCOMPARE(panel.m_frame.bytes, before);
        QCOMPARE(panel.Link().Supervision().txFlag, 0);
        QVERIFY(panel.m_sendReady);
        QCOMPARE(panel.Link().Supervision().idleTicks, 4);
        QVERIFY(!panel.m_redrawPending);
        QCOMPARE(host.repaintRequests, 0);
    }

    void selected_clearsSendReady_othersKeepIt() {
        HostedPanel rig;
        auto& [host, panel] = rig;
        for (int type : {int(CMD_CHANNEL), int(CMD_ALL_OFF), int(CMD_POLL)}) {
            panel.m_sendReady = true;
            panel.SendCommand(type, 0);
            QVERIFY(panel.m_sendReady);
        }
        panel.SendCommand(CMD_SELECTED);
        QVERIFY(!panel.m_sendReady);
    }

    void unknownType_writesNothing() {
        HostedPanel rig;
        auto& [host, panel] = rig;
        QCOMPARE(panel.SendCommand(5), 0);
        QCOMPARE(panel.Link().Supervision().txFlag, 0);
        QCOMPARE(host.repaintRequests, 0);
    }

    void channelIndexOutsideTheModel_isRefused() {
        HostedPanel rig;
        auto& [host, panel] = rig;
        QCOMPARE(panel.SendCommand(CMD_CHANNEL, 8), 0);
        QCOMPARE(panel.SendCommand(CMD_CHANNEL, -1), 0);
        QCOMPARE(panel.Link().Supervision().txFlag, 0);
    }

    void resetState_startCondition() {
        HostedPanel rig(false);
        auto& [host, panel] = rig;
        panel.m_selectedChannel = 5;
        panel.m_sliderOrigin.fill(3);
        panel.m_frame.bytes[0] = 0;
        EditLink(panel, [](LinkSupervision& s) { s.txFlag = s.rxFlag = s.linkLost = 1; });
        EditLink(panel, [](LinkSupervision& s) { s.idleTicks = s.silentTicks = s.syncIndex = 9; });
        panel.m_repeatActive = panel.m_buttonHeld = panel.m_dragActive = true;
        panel.m_repeatTicks = 30;
        panel.m_digitCount = 2;
        panel.m_typedValue = 42;
        panel.m_typedDigits = {4, 2, 0};
        panel.m_channelLevel[2] = 77;
        panel.m_channelPower[2] = 1;
        panel.m_portName = QStringLiteral("COM3");
        panel.RequestClose();

        panel.ResetState();

        QCOMPARE(panel.m_selectedChannel, 0);
        QCOMPARE(panel.m_frame.bytes[0], FRAME_HEADER);
        for (int origin : panel.m_sliderOrigin)
            QCOMPARE(origin, 250);
        for (int v : {panel.Link().Supervision().txFlag, panel.Link().Supervision().rxFlag,
                      panel.Link().Supervision().linkLost, panel.Link().Supervision().idleTicks,
                      panel.Link().Supervision().silentTicks, panel.Link().Supervision().syncIndex,
                      int(panel.m_repeatActive), int(panel.m_buttonHeld), int(panel.m_dragActive),
                      panel.m_repeatTicks, panel.m_digitCount, panel.m_typedValue})
            QCOMPARE(v, 0);
        QCOMPARE(panel.m_typedDigits, (std::array<int, 3>{0, 0, 0}));
        QVERIFY(!panel.CloseRequestPending());
        // The model itself is the settings' business.
        QCOMPARE(panel.m_channelLevel[2], 77);
        QCOMPARE(panel.m_channelPower[2], 1);
        QCOMPARE(panel.m_portName, QStringLiteral("COM3"));
    }
};

QTEST_GUILESS_MAIN(tst_ChannelFrames)
#include "tst_channelframes.moc"
