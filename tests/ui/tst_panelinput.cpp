#include "PanelRig.h"
#include "TempConfigHome.h"
#include "model/PanelLayout.h"
#include "ui/dialogs/CFadeTimeDlg.h"
#include "ui/view/PanelContextMenu.h"
#include "ui/view/PanelLook.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QToolTip>
#include <QtTest>
#include <algorithm>

using namespace panel_test;

namespace {

constexpr int kKeypad = 0x10000000; // marks a key of the numeric keypad in the tables

} // namespace

// The operator's keys and pointer on the view, checked in the model and on the wire.
class tst_PanelInput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keys_data() {
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("power");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("expectedSelected");
        QTest::addColumn<int>("expectedLevel"); // of the channel selected at the end
        QTest::addColumn<int>("expectedPower");
        QTest::addColumn<int>("expectedTyped");
        QTest::addColumn<QStringList>("frames");
        using L = QList<int>;
        using S = QStringList;
        QTest::newRow("Right raises by one")
            << 0 << 100 << 1 << L{Qt::Key_Right} << 0 << 101 << 1 << 0 << S{"1/1/101"};
        QTest::newRow("Right at 255 still sends")
            << 0 << 255 << 1 << L{Qt::Key_Right} << 0 << 255 << 1 << 0 << S{"1/1/255"};
        QTest::newRow("Left lowers by one")
            << 2 << 100 << 1 << L{Qt::Key_Left} << 2 << 99 << 1 << 0 << S{"3/1/99"};
        QTest::newRow("Left at 0 still sends")
            << 0 << 0 << 1 << L{Qt::Key_Left} << 0 << 0 << 1 << 0 << S{"1/1/0"};
        QTest::newRow("keys act on a channel that is off")
            << 0 << 100 << 0 << L{Qt::Key_Right} << 0 << 101 << 0 << 0 << S{"1/0/101"};
        QTest::newRow("Space switches on")
            << 4 << 100 << 0 << L{Qt::Key_Space} << 4 << 100 << 1 << 0 << S{"5/1/100"};
        QTest::newRow("Space switches off, level kept")
            << 4 << 100 << 1 << L{Qt::Key_Space} << 4 << 100 << 0 << 0 << S{"5/0/100"};
        QTest::newRow("Tab selects the next, sends nothing")
            << 3 << 100 << 1 << L{Qt::Key_Tab} << 4 << 100 << 1 << 0 << S{};
        QTest::newRow("Tab from 8CH selects 1CH")
            << 7 << 100 << 1 << L{Qt::Key_Tab} << 0 << 100 << 1 << 0 << S{};
        QTest::newRow("Shift+Tab is Tab")
            << 3 << 100 << 1 << L{Qt::Key_Backtab} << 4 << 100 << 1 << 0 << S{};
        QTest::newRow("1 2 3 4 Enter gives 123")
            << 0 << 100 << 1 << L{Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_Return} << 0
            << 123 << 1 << 0 << S{"1/1/123"};
        QTest::newRow("3 0 0 Enter sends nothing")
            << 0 << 100 << 1 << L{Qt::Key_3, Qt::Key_0, Qt::Key_0, Qt::Key_Return} << 0 << 100 << 1
            << 0 << S{};
        QTest::newRow("7 Enter gives 7")
            << 0 << 100 << 1 << L{Qt::Key_7, Qt::Key_Enter} << 0 << 7 << 1 << 0 << S{"1/1/7"};
        QTest::newRow("0 0 Enter gives 0")
            << 0 << 100 << 1 << L{Qt::Key_0, Qt::Key_0, Qt::Key_Return} << 0 << 0 << 1 << 0
            << S{"1/1/0"};
        QTest::newRow("Enter alone does nothing")
            << 0 << 100 << 1 << L{Qt::Key_Return} << 0 << 100 << 1 << 0 << S{};
        QTest::newRow("keypad 2 5 5 Enter gives 255")
            << 0 << 100 << 0
            << L{Qt::Key_2 | kKeypad, Qt::Key_5 | kKeypad, Qt::Key_5 | kKeypad,
                 Qt::Key_Enter | kKeypad}
            << 0 << 255 << 0 << 0 << S{"1/0/255"};
        QTest::newRow("digits wait for Enter")
            << 0 << 100 << 1 << L{Qt::Key_4, Qt::Key_2} << 0 << 100 << 1 << 42 << S{};
        QTest::newRow("Esc drops the typed number")
            << 0 << 100 << 1 << L{Qt::Key_4, Qt::Key_2, Qt::Key_Escape, Qt::Key_Return} << 0 << 100
            << 1 << 0 << S{};
        QTest::newRow("Right drops the typed number")
            << 0 << 100 << 1 << L{Qt::Key_4, Qt::Key_Right, Qt::Key_Return} << 0 << 101 << 1 << 0
            << S{"1/1/101"};
        QTest::newRow("typed number goes to the channel Tab chose")
            << 0 << 100 << 1 << L{Qt::Key_Tab, Qt::Key_9, Qt::Key_Return} << 1 << 9 << 1 << 0
            << S{"2/1/9"};
        QTest::newRow("other keys do nothing")
            << 0 << 100 << 1
            << L{Qt::Key_Up,       Qt::Key_Down,   Qt::Key_Home,      Qt::Key_End, Qt::Key_PageUp,
                 Qt::Key_PageDown, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_A,   Qt::Key_F5}
            << 0 << 100 << 1 << 0 << S{};
        QTest::newRow("other keys keep the typed number")
            << 0 << 100 << 1 << L{Qt::Key_5, Qt::Key_Up, Qt::Key_Return} << 0 << 5 << 1 << 0
            << S{"1/1/5"};
    }
    void keys() {
        QFETCH(int, selected);
        QFETCH(int, level);
        QFETCH(int, power);
        QFETCH(QList<int>, keys);
        QFETCH(int, expectedSelected);
        QFETCH(int, expectedLevel);
        QFETCH(int, expectedPower);
        QFETCH(int, expectedTyped);
        QFETCH(QStringList, frames);
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        EditChannels(p, [&](ChannelModel& m) {
            m.Select(selected);
            for (int c = 0; c < CHANNEL_COUNT; ++c) {
                m.SetLevel(c, level);
                m.SetPower(c, power);
            }
        });
        QSignalSpy channelSpy(&p.Session(), &DeviceSession::ChannelChanged);
        QSignalSpy selectionSpy(&p.Session(), &DeviceSession::SelectedChannelChanged);
        for (int key : keys) {
            const Qt::KeyboardModifiers mods = (key & kKeypad)          ? Qt::KeypadModifier
                                               : key == Qt::Key_Backtab ? Qt::ShiftModifier
                                                                        : Qt::NoModifier;
            QTest::keyClick(&rig.view, Qt::Key(key & ~kKeypad), mods);
        }
        QCOMPARE(p.Channels().Selected(), expectedSelected);
        QCOMPARE(p.Channels().Level(expectedSelected), expectedLevel);
        QCOMPARE(p.Channels().Power(expectedSelected), expectedPower);
        QCOMPARE(p.Input().TypedValue(), expectedTyped);
        QCOMPARE(rig.Frames(), frames);
        // Other programs hear of each change once, with the state it left behind, as the panel's.
        const bool changed = expectedLevel != level || expectedPower != power;
        QCOMPARE(channelSpy.size(), changed ? 1 : 0);
        if (changed)
            QCOMPARE(channelSpy.takeFirst(),
                     (QVariantList{expectedSelected, expectedPower == 1, expectedLevel,
                                   QVariant::fromValue(ChangeOrigin::Panel())}));
        QCOMPARE(selectionSpy.size(), expectedSelected != selected ? 1 : 0);
    }

    void keyAutoRepeat_actsEachTime() {
        Rig rig;
        VERIFY_RIG(rig);
        for (int i = 0; i < 3; ++i)
            QTest::sendKeyEvent(QTest::KeyAction::Press, &rig.view, Qt::Key_Right, QString(),
                                Qt::NoModifier);
        QCOMPARE(rig.panel().Channels().Level(0), 103);
        QCOMPARE(rig.Frames(), (QStringList{"1/1/101", "1/1/102", "1/1/103"}));
    }

    void pressOutsideEveryRow_onlyClearsTypedEntry_data() {
        QTest::addColumn<QPoint>("point");
        QTest::newRow("y = 54 between 1CH and 2CH") << QPoint(300, 54);
        QTest::newRow("x = 10") << QPoint(10, 30);
        QTest::newRow("x = 506") << QPoint(506, 30);
        QTest::newRow("below the rows") << QPoint(300, 370);
    }
    void pressOutsideEveryRow_onlyClearsTypedEntry() {
        QFETCH(QPoint, point);
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        EditChannels(p, [&](ChannelModel& m) { m.Select(3); });
        QTest::keyClick(&rig.view, Qt::Key_5);
        rig.Tick();
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, point);
        QVERIFY(p.Input().ButtonHeld());
        QCOMPARE(p.Input().TypedValue(), 0);
        QCOMPARE(p.Input().DigitCount(), 0);
        QCOMPARE(p.Channels().Selected(), 3);
        QCOMPARE(p.Channels().Levels(),
                 (std::array<int, 8>{100, 100, 100, 100, 100, 100, 100, 100}));
        QCOMPARE(rig.Frames(), QStringList());
        QTest::mouseRelease(&rig.view, Qt::LeftButton, Qt::NoModifier, point);
        QVERIFY(!p.Input().ButtonHeld());
    }

    void pressOnSlider_setsLevelAndSendsThreeFrames_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("level");
        QTest::newRow("x = 250 gives 0") << 250 << 0 << 0;
        QTest::newRow("x = 505 gives 255") << 505 << 7 << 255;
        QTest::newRow("x = 400 gives 150") << 400 << 4 << 150;
    }
    void pressOnSlider_setsLevelAndSendsThreeFrames() {
        QFETCH(int, x);
        QFETCH(int, row);
        QFETCH(int, level);
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        QElapsedTimer pressTime;
        pressTime.start();
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(x, 20 + 44 * row));
        // Two pauses of 20 ms between the three sends.
        QVERIFY2(pressTime.elapsed() >= 40, qPrintable(QString::number(pressTime.elapsed())));
        QCOMPARE(p.Channels().Selected(), row);
        QCOMPARE(p.Input().PressedChannel(), row);
        QCOMPARE(p.Channels().Level(row), level);
        const QString frame = QStringLiteral("%1/1/%2").arg(row + 1).arg(level);
        QCOMPARE(rig.Frames(), (QStringList{frame, frame, frame}));
    }

    void pressOnSwitchedOffRow_onlySelects() {
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        EditChannels(p, [&](ChannelModel& m) { m.SetPower(2, 0); });
        rig.Move(187, 20 + 88); // over the + of 3CH
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(187, 20 + 88));
        QTest::mouseRelease(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(187, 20 + 88));
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(400, 20 + 88));
        QCOMPARE(p.Channels().Selected(), 2);
        QCOMPARE(p.Channels().Level(2), 100);
        QVERIFY(!p.Input().RepeatActive());
        QCOMPARE(rig.Frames(), QStringList());
    }

    void switchBox_togglesOncePerTick() {
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        const QPoint box(130, 20 + 44 * 6);
        // No repeat tick yet since the last frame: the press only selects.
        QTest::mouseClick(&rig.view, Qt::LeftButton, Qt::NoModifier, box);
        QCOMPARE(p.Channels().Selected(), 6);
        QCOMPARE(p.Channels().Power(6), 1);
        QCOMPARE(rig.Frames(), QStringList());
        rig.Tick();
        QTest::mouseClick(&rig.view, Qt::LeftButton, Qt::NoModifier, box);
        QCOMPARE(p.Channels().Power(6), 0);
        QCOMPARE(p.Input().PressedChannel(), 6);
        QCOMPARE(rig.Frames(), (QStringList{"7/0/100", "7/0/100", "7/0/100"}));
    }

    void plusButton_stepsThenRepeatsFromTheTwentySecondTick() {
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        const QPoint plus(187, 20 + 44 - 4); // + of 2CH
        rig.Move(plus.x(), plus.y());
        QCOMPARE(p.Hover().plusRow, std::optional<int>(1));
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, plus);
        QCOMPARE(p.Channels().Level(1), 101);
        QVERIFY(p.Input().RepeatActive());
        QCOMPARE(rig.Frames(), (QStringList{"2/1/101", "2/1/101", "2/1/101"}));
        for (int tick = 1; tick <= 21; ++tick)
            rig.Tick();
        QCOMPARE(rig.Frames(), QStringList());
        rig.Tick();
        rig.Tick();
        QCOMPARE(rig.Frames(), (QStringList{"2/1/102", "2/1/103"}));
        // The first movement after the press, still on the button, starts a drag and freezes
        // the hover fields: the steps go on after the pointer has left (beyond the drag band).
        rig.Move(plus.x() + 1, plus.y(), Qt::LeftButton);
        rig.Move(600, 300, Qt::LeftButton);
        QCOMPARE(p.Hover().plusRow, std::optional<int>(1));
        rig.Tick();
        QCOMPARE(rig.Frames(), QStringList{"2/1/104"});
        QTest::mouseRelease(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
        QVERIFY(!p.Input().RepeatActive());
        rig.Tick();
        // The drag's release frame, then nothing more.
        QCOMPARE(rig.Frames(), QStringList{"2/1/104"});
    }

    void heldPlus_firstMoveOffTheButton_stopsStepsNotFrames() {
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        const QPoint plus(187, 20 - 4);
        rig.Move(plus.x(), plus.y());
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, plus);
        rig.Move(600, 300, Qt::LeftButton);
        QVERIFY(!p.Hover().plusRow);
        for (int tick = 1; tick <= 23; ++tick)
            rig.Tick();
        QCOMPARE(p.Channels().Level(0), 101);
        QCOMPARE(rig.Frames(),
                 (QStringList{"1/1/101", "1/1/101", "1/1/101", "1/1/101", "1/1/101"}));
    }

    void minusButton_atZeroKeepsSendingZero() {
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        EditChannels(p, [&](ChannelModel& m) { m.SetLevel(0, 1); });
        rig.Move(187, 40); // - of 1CH
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(187, 40));
        for (int tick = 1; tick <= 23; ++tick)
            rig.Tick();
        QCOMPARE(p.Channels().Level(0), 0);
        QCOMPARE(rig.Frames(), (QStringList{"1/1/0", "1/1/0", "1/1/0", "1/1/0", "1/1/0"}));
    }

    void heldPlus_realTimers_cadence() {
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        p.StartRepeatTick();
        const QPoint plus(187, 20 - 4);
        rig.Move(plus.x(), plus.y());
        // The idle tick sleeps; the press must wake it with the timing unchanged.
        QTRY_VERIFY(p.RepeatTickAsleep());
        QVERIFY(!rig.view.Panel().RepeatTickRunning());
        const std::int64_t pressed = DevSim::nowUs();
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, plus);
        QTRY_VERIFY_WITH_TIMEOUT(rig.sim.validFrameCount() >= 3 + 10, 5000);
        QTest::mouseRelease(&rig.view, Qt::LeftButton, Qt::NoModifier, plus);
        p.StopRepeatTick();
        std::vector<DevSimFrame> raw;
        const QStringList frames = rig.Frames(&raw);
        QVERIFY(frames.size() >= 13);
        QCOMPARE(frames.mid(0, 4), (QStringList{"1/1/101", "1/1/101", "1/1/101", "1/1/102"}));
        // The first repeated step on the 22nd tick: 420 to 440 ms after the press (later, never
        // earlier, on a loaded machine).
        const auto firstRepeat = raw[3].timestampUs - pressed;
        QVERIFY2(firstRepeat >= 400000 && firstRepeat <= 2000000,
                 qPrintable(QString::number(firstRepeat)));
        std::vector<std::int64_t> gaps;
        for (std::size_t i = 4; i < raw.size(); ++i)
            gaps.push_back(raw[i].timestampUs - raw[i - 1].timestampUs);
        std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
        const auto median = gaps[gaps.size() / 2];
        QVERIFY2(median >= 10000 && median <= 100000, qPrintable(QString::number(median)));
    }

    void dragAfterSwitchPress_followsPointerOneFramePerTick() {
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        EditChannels(p, [&](ChannelModel& m) { m.SetPower(3, 0); });
        const int y = 20 + 44 * 3;
        rig.Tick();
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(130, y));
        QCOMPARE(p.Channels().Power(3), 1);
        QCOMPARE(rig.Frames(), (QStringList{"4/1/100", "4/1/100", "4/1/100"}));
        rig.Move(135, y, Qt::LeftButton); // the first movement starts the drag
        QVERIFY(p.Input().DragActive());
        rig.Tick();
        rig.Move(229, y, Qt::LeftButton); // left of the drag band: ignored
        QCOMPARE(p.Channels().Level(3), 100);
        rig.Move(230, y + 200, Qt::LeftButton); // y plays no part
        QCOMPARE(p.Channels().Level(3), 0);
        QSignalSpy channelSpy(&p.Session(), &DeviceSession::ChannelChanged);
        rig.Move(300, y, Qt::LeftButton); // no tick since the last frame: no frame
        QCOMPARE(p.Channels().Level(3), 50);
        QCOMPARE(channelSpy.value(0),
                 (QVariantList{3, true, 50,
                               QVariant::fromValue(ChangeOrigin::Panel())})); // but it is announced
        rig.Move(600, y, Qt::LeftButton);
        QCOMPARE(p.Channels().Level(3), 50);
        rig.Tick();
        rig.Move(520, y, Qt::LeftButton);
        QCOMPARE(p.Channels().Level(3), 255);
        rig.Move(235, y, Qt::LeftButton);
        QCOMPARE(p.Channels().Level(3), 0);
        rig.Move(260, y, Qt::LeftButton);
        QCOMPARE(p.Channels().Level(3), 10);
        QCOMPARE(rig.Frames(), (QStringList{"4/1/0", "4/1/255"}));
        QTest::mouseRelease(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(260, y));
        QVERIFY(!p.Input().DragActive());
        QVERIFY(!p.Input().ButtonHeld());
        QCOMPARE(rig.Frames(), QStringList{"4/1/10"});
    }

    void dragOnAnotherChannel_isIgnored() {
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(300, 20));
        QTest::mouseRelease(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(300, 20));
        QCOMPARE(p.Input().PressedChannel(), 0);
        // A press on 2CH's label selects it but acts on nothing, so the drag has no channel.
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(50, 64));
        rig.Move(60, 64, Qt::LeftButton);
        rig.Tick();
        rig.Move(400, 64, Qt::LeftButton);
        QCOMPARE(p.Channels().Level(1), 100);
        QCOMPARE(p.Channels().Level(0), 50);
        QTest::mouseRelease(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(400, 64));
        // The release of a drag sends the selected channel once, unchanged.
        QCOMPARE(rig.Frames(), (QStringList{"1/1/50", "1/1/50", "1/1/50", "2/1/100"}));
    }

    void hover_followsPointerButNotDuringDrag() {
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        rig.Move(130, 64);
        QCOMPARE(p.Hover().switchRow, std::optional<int>(1));
        rig.Move(187, 72); // between the + (y 59..71) and the - (y 73..89) of 2CH
        QVERIFY(!p.Hover().switchRow);
        QVERIFY(!p.Hover().plusRow);
        QVERIFY(!p.Hover().minusRow);
        rig.Move(187, 71);
        QCOMPARE(p.Hover().plusRow, std::optional<int>(1));
        rig.Move(187, 73);
        QVERIFY(!p.Hover().plusRow);
        QCOMPARE(p.Hover().minusRow, std::optional<int>(1));
        rig.Move(100, 400);
        QVERIFY(p.Hover().button == PanelButton::Setup);
        rig.Move(250, 400);
        QVERIFY(p.Hover().button == PanelButton::Exit);
        rig.Move(500, 500);
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(500, 500));
        rig.Move(130, 20, Qt::LeftButton); // starts the drag, hover computed once more
        QCOMPARE(p.Hover().switchRow, std::optional<int>(0));
        QVERIFY(p.Hover().button == PanelButton::None);
        rig.Move(130, 64, Qt::LeftButton);
        QCOMPARE(p.Hover().switchRow, std::optional<int>(0));
        QTest::mouseRelease(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(130, 64));
        rig.Move(130, 64);
        QCOMPARE(p.Hover().switchRow, std::optional<int>(1));
        // Releasing a drag sends the selected channel once, whatever the drag did.
        QCOMPARE(rig.Frames(), QStringList{"1/1/100"});
    }

    void linkLampTooltip_showsTheLinkFigures_data() {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<bool>("shown");
        QTest::newRow("link lamp") << QPoint(20, 425) << true;
        QTest::newRow("port name beside it") << QPoint(70, 429) << true;
        QTest::newRow("RX lamp above") << QPoint(20, 410) << false;
        QTest::newRow("SETUP button") << QPoint(85, 425) << false;
    }
    void linkLampTooltip_showsTheLinkFigures() {
        QFETCH(QPoint, point);
        QFETCH(bool, shown);
        Rig rig;
        VERIFY_RIG(rig);
        QToolTip::hideText();
        QHelpEvent help(QEvent::ToolTip, point, rig.view.mapToGlobal(point));
        QCoreApplication::sendEvent(&rig.view, &help);
        // Nothing sent yet, so the figures cannot move while they are compared.
        QCOMPARE(QToolTip::text(), shown ? rig.sim.portPath() +
                                               "\nLink: waiting\nFrames sent: 0\n"
                                               "Answers received: 0\nLast answer: no answer yet"
                                         : QString());
        if (!shown)
            return;

        // The pointer resting on the lamp while another window has the focus: the figures show
        // all the same, and follow the next frame and answer while they are shown.
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
        rig.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(!rig.view.isActiveWindow());
        QTest::mouseMove(&rig.view, point);
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY(QToolTip::text().contains("Frames sent: 0\nAnswers received: 0"));
        rig.panel().SendCommand(CMD_POLL);
        // With the answer, not with the once-a-second refresh of the ages.
        QTRY_VERIFY2_WITH_TIMEOUT(
            QToolTip::text().contains("Link: answering\nFrames sent: 1\n"
                                      "Answers received: 1\nLast round trip: "),
            qPrintable(QToolTip::text()), 500);
        QVERIFY(QToolTip::isVisible());
        QToolTip::hideText();
    }

    void rightButton_hasNoEffect() {
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        rig.Tick();
        for (const QPoint point : {QPoint(400, 20), QPoint(130, 64)}) {
            QTest::mousePress(&rig.view, Qt::RightButton, Qt::NoModifier, point);
            QTest::mouseRelease(&rig.view, Qt::RightButton, Qt::NoModifier, point);
        }
        QTest::mouseDClick(&rig.view, Qt::RightButton, Qt::NoModifier, QPoint(400, 20));
        QVERIFY(!p.Input().ButtonHeld());
        QCOMPARE(p.Channels().Level(0), 100);
        QCOMPARE(p.Channels().Power(1), 1);
        QCOMPARE(p.Channels().Selected(), 0);
        QVERIFY(p.Input().DoubleClicksAccepted());
        QCOMPARE(rig.Frames(), QStringList());
    }

    // The menu opens by the right button, the Menu key and Shift+F10, once each, names the slots
    // with the fade times of stored ones, and stores; the fade-time dialog names its fields.
    void panelMenu_opensByKeyAndButton_namesSlotsAndStores() {
        TempConfigHome home;
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        p.Session().BuildPaths();
        QVERIFY(p.Session().Scenes().SetFadeTime(3, 2.5));
        QCOMPARE(p.Session().StoreScene(3), QString());

        int opened = 0;
        QStringList texts;
        std::function<void(PanelContextMenu&)> act = [](PanelContextMenu& menu) { menu.close(); };
        const auto watchMenu = [&] {
            QTimer::singleShot(0, &rig.view, [&] {
                auto* menu = qobject_cast<PanelContextMenu*>(QApplication::activePopupWidget());
                if (!menu)
                    return;
                ++opened;
                texts.clear();
                for (int slot = 1; slot <= SCENE_SLOTS; ++slot)
                    texts << menu->RecallAction(slot)->text();
                act(*menu);
            });
        };
        watchMenu();
        QTest::keyClick(&rig.view, Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(opened, 1);
        QCOMPARE(texts.value(0), QStringLiteral("&1\tF2"));
        QCOMPARE(texts.value(2), QStringLiteral("&3  (2.5 s)\tF4"));
        watchMenu();
        QTest::keyClick(&rig.view, Qt::Key_Menu);
        QTest::qWait(20);
        QCOMPARE(opened, 2);

        act = [](PanelContextMenu& menu) {
            QCOMPARE(menu.accessibleName(), QStringLiteral("Scenes"));
            menu.StoreAction(5)->trigger();
            menu.close();
        };
        watchMenu();
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(400, 20),
                                rig.view.mapToGlobal(QPoint(400, 20)));
        QCoreApplication::sendEvent(&rig.view, &click);
        QCOMPARE(opened, 3);
        QCOMPARE(p.Session().Scenes().Read(5).state, SceneState::Stored);

        // "Remote…" is the application's to run: the view only passes it on.
        QSignalSpy remote(&rig.view, &CMorvixView::RemoteRequested);
        act = [](PanelContextMenu& menu) {
            menu.RemoteAction()->trigger();
            menu.close();
        };
        watchMenu();
        QTest::keyClick(&rig.view, Qt::Key_Menu);
        QTest::qWait(20);
        QCOMPARE(opened, 4);
        QCOMPARE(remote.count(), 1);
        // Opening the menu changed no channel and sent nothing.
        QCOMPARE(p.Channels().Level(0), 100);
        QCOMPARE(rig.Frames(), QStringList());

        QTimer::singleShot(0, &rig.view, [] {
            auto* dialog = qobject_cast<CFadeTimeDlg*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->Field(3)->value(), 2.5);
            QCOMPARE(dialog->Field(5)->accessibleName(), QStringLiteral("Fade time of scene 5"));
            dialog->Field(5)->setValue(0.7);
            dialog->accept();
        });
        rig.view.EditFadeTimes();
        QCOMPARE(p.Session().Scenes().Read(5).scene.fadeSeconds, 0.7);
        QCOMPARE(p.Session().Scenes().Read(3).scene.fadeSeconds, 2.5);
    }

    void doubleClick_firstDoesNothingLaterOnesPress() {
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        QTest::mouseDClick(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(300, 64));
        QVERIFY(!p.Input().DoubleClicksAccepted());
        QCOMPARE(p.Channels().Selected(), 0);
        QVERIFY(!p.Input().ButtonHeld());
        QCOMPARE(p.Channels().Level(1), 100);
        QTest::mouseDClick(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(300, 64));
        QCOMPARE(p.Channels().Selected(), 1);
        QVERIFY(p.Input().ButtonHeld());
        QCOMPARE(p.Channels().Level(1), 50);
        QCOMPARE(rig.Frames(), (QStringList{"2/1/50", "2/1/50", "2/1/50"}));
    }

    void exitButton_runsTheExitDialog_cancelSendsNothing() {
        Rig rig;
        VERIFY_RIG(rig);
        PanelController& p = rig.panel();
        rig.Move(250, 400);
        int dialogs = 0;
        QTimer closer;
        closer.setInterval(10);
        connect(&closer, &QTimer::timeout, &rig.view, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++dialogs;
                static_cast<QDialog*>(modal)->reject();
            }
        });
        closer.start();
        QTest::mousePress(&rig.view, Qt::LeftButton, Qt::NoModifier, QPoint(250, 400));
        closer.stop();
        QCOMPARE(dialogs, 1);
        QVERIFY(!p.Input().ButtonHeld());
        QCOMPARE(rig.Frames(), QStringList());
    }

    // The repeat tick asks for a repaint every 20 ms; only what changed is repainted.
    void repaint_onlyWhenAndWhereTheLookChanged() {
        Rig rig;
        VERIFY_RIG(rig);
        QList<QRegion> paints;
        struct Filter : QObject {
            QList<QRegion>* paints;
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Paint)
                    *paints << static_cast<QPaintEvent*>(e)->region();
                return false;
            }
        } filter;
        filter.paints = &paints;
        rig.view.installEventFilter(&filter);
        rig.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.view));
        PanelController& p = rig.panel();
        rig.Tick();
        QTRY_VERIFY(!paints.isEmpty() && !p.RedrawPending());
        paints.clear();

        for (int i = 0; i < 5; ++i)
            rig.Tick();
        EditChannels(p, [&](ChannelModel& m) { m.SetLevel(3, 200); });
        rig.Tick();
        QTRY_COMPARE(paints.size(), 1);
        QCOMPARE(paints[0], QRegion(PanelArea::PartRect(3) & rig.view.rect()));
        QVERIFY(!p.RedrawPending());

        // A lamp that lights or goes out repaints itself (within its frame, which rounding at
        // any pixel ratio may touch), not the bar around it.
        const auto lampsAfterTick = [&](int tx, int rx, int lost, QList<int> lamps) {
            EditLink(p, [&](LinkSupervision& s) {
                s.txFlag = tx;
                s.rxFlag = rx;
                s.linkLost = lost;
            });
            paints.clear();
            rig.Tick();
            if (!lamps.isEmpty() && !QTest::qWaitFor([&] { return !p.RedrawPending(); }))
                return QStringLiteral("no repaint");
            QTest::qWait(20);
            QRegion painted, frames;
            for (const QRegion& r : paints)
                painted += r;
            for (const int lamp : lamps) {
                if (!painted.contains(PanelLayout::Lamp(lamp)))
                    return QStringLiteral("lamp %1 not repainted").arg(lamp);
                frames += PanelLayout::LampFrame(lamp);
            }
            if (!(painted - frames).isEmpty())
                return QStringLiteral("repainted beyond: %1")
                    .arg(QDebug::toString(painted - frames));
            return QString();
        };
        const LinkSupervision was = p.Session().Link().Supervision();
        QCOMPARE(lampsAfterTick(1, 0, was.linkLost, {0}), QString());
        QCOMPARE(lampsAfterTick(1, 1, was.linkLost, {1}), QString());
        QCOMPARE(lampsAfterTick(0, 0, was.linkLost, {0, 1}), QString());
        QVERIFY(p.Session().PortOpen());
        QCOMPARE(lampsAfterTick(0, 0, !was.linkLost, {2}), QString());
        QCOMPARE(lampsAfterTick(0, 0, was.linkLost, {2}), QString());
        // Each lamp's own look is remembered apart: nothing is left to repaint.
        QCOMPARE(lampsAfterTick(0, 0, was.linkLost, {}), QString());
    }
};

QTEST_MAIN(tst_PanelInput)
#include "tst_panelinput.moc"
