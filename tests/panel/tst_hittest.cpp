#include "model/PanelLayout.h"
#include "panel/HitTest.h"
#include "panel/KeyMap.h"

#include <QtTest>
#include <optional>

// The panel geometry as the operator meets it, boundaries first.
class tst_HitTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void channelBand_data() {
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("band");
        QTest::newRow("above the panel") << 10 << -1;
        QTest::newRow("first pixel of 1CH") << 11 << 0;
        QTest::newRow("last pixel of 1CH") << 53 << 0;
        QTest::newRow("between 1CH and 2CH") << 54 << -1;
        QTest::newRow("first pixel of 2CH") << 55 << 1;
        QTest::newRow("last pixel of 2CH") << 93 << 1;
        QTest::newRow("gap after 2CH") << 94 << -1;
        QTest::newRow("gap before 3CH") << 98 << -1;
        QTest::newRow("first pixel of 3CH") << 99 << 2;
        QTest::newRow("4CH") << 160 << 3;
        QTest::newRow("5CH") << 187 << 4;
        QTest::newRow("6CH") << 269 << 5;
        QTest::newRow("7CH") << 275 << 6;
        QTest::newRow("first pixel of 8CH") << 319 << 7;
        QTest::newRow("last pixel of 8CH") << 357 << 7;
        QTest::newRow("below 8CH") << 358 << -1;
        QTest::newRow("bottom bar") << 400 << -1;
    }
    void channelBand() {
        QFETCH(int, y);
        QFETCH(int, band);
        QCOMPARE(HitTest::ChannelBand(y), band);
    }

    void zones_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<bool>("pressArea");
        QTest::addColumn<bool>("switchColumn");
        QTest::addColumn<int>("plus");
        QTest::addColumn<int>("minus");
        QTest::addColumn<int>("panelButton");
        QTest::newRow("x = 10 is outside") << 10 << 30 << false << false << -1 << -1 << 0;
        QTest::newRow("x = 11 is inside") << 11 << 30 << true << false << -1 << -1 << 0;
        QTest::newRow("x = 505 is inside") << 505 << 30 << true << false << -1 << -1 << 0;
        QTest::newRow("x = 506 is outside") << 506 << 30 << false << false << -1 << -1 << 0;
        QTest::newRow("switch left edge") << 110 << 30 << true << false << -1 << -1 << 0;
        QTest::newRow("switch first pixel") << 111 << 30 << true << true << -1 << -1 << 0;
        QTest::newRow("switch last pixel") << 159 << 30 << true << true << -1 << -1 << 0;
        QTest::newRow("switch right edge") << 160 << 30 << true << false << -1 << -1 << 0;
        QTest::newRow("+ of 1CH top") << 181 << 15 << true << false << 0 << -1 << 0;
        QTest::newRow("+ of 1CH bottom") << 193 << 27 << true << false << 0 << -1 << 0;
        QTest::newRow("between + and - of 1CH") << 187 << 28 << true << false << -1 << -1 << 0;
        QTest::newRow("- of 1CH top") << 187 << 29 << true << false << -1 << 0 << 0;
        QTest::newRow("- of 1CH bottom") << 187 << 45 << true << false << -1 << 0 << 0;
        QTest::newRow("below - of 1CH") << 187 << 46 << true << false << -1 << -1 << 0;
        QTest::newRow("above + of 1CH") << 187 << 14 << true << false << -1 << -1 << 0;
        QTest::newRow("left of the buttons") << 180 << 20 << true << false << -1 << -1 << 0;
        QTest::newRow("right of the buttons") << 194 << 20 << true << false << -1 << -1 << 0;
        QTest::newRow("+ of 8CH") << 187 << 323 << true << false << 7 << -1 << 0;
        QTest::newRow("- of 8CH") << 187 << 353 << true << false << -1 << 7 << 0;
        QTest::newRow("+ of 4CH") << 187 << 159 << true << false << 3 << -1 << 0;
        QTest::newRow("- of 4CH") << 187 << 161 << true << false << -1 << 3 << 0;
        QTest::newRow("SETUP corner") << 81 << 391 << true << false << -1 << -1 << 1;
        QTest::newRow("SETUP far corner") << 199 << 429 << true << false << -1 << -1 << 1;
        QTest::newRow("SETUP top edge") << 100 << 390 << true << false << -1 << -1 << 0;
        QTest::newRow("SETUP bottom edge") << 100 << 430 << true << false << -1 << -1 << 0;
        QTest::newRow("between the buttons") << 205 << 400 << true << false << -1 << -1 << 0;
        QTest::newRow("EXIT left edge") << 210 << 400 << true << false << -1 << -1 << 0;
        QTest::newRow("EXIT") << 211 << 400 << true << false << -1 << -1 << 2;
        QTest::newRow("EXIT right edge") << 330 << 400 << true << false << -1 << -1 << 0;
    }
    void zones() {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(bool, pressArea);
        QFETCH(bool, switchColumn);
        QFETCH(int, plus);
        QFETCH(int, minus);
        QFETCH(int, panelButton);
        QCOMPARE(HitTest::InPressArea(x), pressArea);
        QCOMPARE(HitTest::InSwitchColumn(x), switchColumn);
        QCOMPARE(HitTest::PlusButtonAt(x, y), plus);
        QCOMPARE(HitTest::MinusButtonAt(x, y), minus);
        QCOMPARE(HitTest::PanelButtonAt(x, y), panelButton);
    }

    void slider_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<bool>("onSliderPress");
        QTest::addColumn<int>("dragLevel"); // -1: the drag is ignored
        QTest::newRow("229") << 229 << false << -1;
        QTest::newRow("230") << 230 << false << 0;
        QTest::newRow("235") << 235 << false << 0;
        QTest::newRow("249") << 249 << false << 0;
        QTest::newRow("250") << 250 << true << 0;
        QTest::newRow("251") << 251 << true << 1;
        QTest::newRow("400") << 400 << true << 150;
        QTest::newRow("505") << 505 << true << 255;
        QTest::newRow("506") << 506 << false << 255;
        QTest::newRow("520") << 520 << false << 255;
        QTest::newRow("525") << 525 << false << 255;
        QTest::newRow("526") << 526 << false << -1;
        QTest::newRow("600") << 600 << false << -1;
    }
    void slider() {
        QFETCH(int, x);
        QFETCH(bool, onSliderPress);
        QFETCH(int, dragLevel);
        QCOMPARE(HitTest::OnSliderPress(x), onSliderPress);
        const std::optional<int> level = HitTest::DragLevel(x);
        QCOMPARE(level.value_or(-1), dragLevel);
    }

    // Every pixel strictly inside what the painter draws for a row answers as that row's element,
    // and the pixel just outside the step buttons' column answers as none.
    void rowsMatchTheLayout_data() {
        QTest::addColumn<int>("row");
        for (int row = 0; row < CHANNEL_COUNT; ++row)
            QTest::newRow(qPrintable(QStringLiteral("%1CH").arg(row + 1))) << row;
    }
    void rowsMatchTheLayout() {
        QFETCH(int, row);
        const auto inside = [](const QRect& r, auto check) {
            for (int y = r.top() + 1; y < r.top() + r.height(); ++y)
                for (int x = r.left() + 1; x < r.left() + r.width(); ++x)
                    check(x, y);
        };
        inside(PanelLayout::PlusButton(row), [&](int x, int y) {
            QCOMPARE(HitTest::PlusButtonAt(x, y), row);
            QCOMPARE(HitTest::MinusButtonAt(x, y), HitTest::kNone);
            QCOMPARE(HitTest::ChannelBand(y), row);
        });
        inside(PanelLayout::MinusButton(row).intersected(PanelLayout::MinusPressArea(row)),
               [&](int x, int y) {
                   QCOMPARE(HitTest::MinusButtonAt(x, y), row);
                   QCOMPARE(HitTest::ChannelBand(y), row);
               });
        inside(PanelLayout::SwitchBox(row), [&](int x, int y) {
            QVERIFY(HitTest::InSwitchColumn(x));
            QCOMPARE(HitTest::ChannelBand(y), row);
        });
        inside(PanelLayout::SliderTrack(row), [&](int x, int y) {
            QVERIFY(HitTest::OnSliderPress(x));
            QCOMPARE(HitTest::DragLevel(x).value_or(-1), x - PanelLayout::kSliderOrigin);
            QCOMPARE(HitTest::ChannelBand(y), row);
        });
        const int y = PanelLayout::RowY(row);
        QCOMPARE(HitTest::PlusButtonAt(PanelLayout::PlusButton(row).left(), y - 1), HitTest::kNone);
        QCOMPARE(HitTest::MinusButtonAt(PanelLayout::MinusButton(row).right() + 1, y + 20),
                 HitTest::kNone);
    }

    void barMatchesTheLayout() {
        QCOMPARE(HitTest::PanelButtonAt(PanelLayout::kSetupButton.center().x(),
                                        PanelLayout::kSetupButton.center().y()),
                 1);
        QCOMPARE(HitTest::PanelButtonAt(PanelLayout::kExitButton.center().x(),
                                        PanelLayout::kExitButton.center().y()),
                 2);
        // The link lamp's whole frame shows its tooltip; the TX and RX lamps above it do not.
        const QRect link = PanelLayout::LampFrame(2);
        for (int y = link.top(); y <= link.bottom(); ++y)
            for (int x = link.left(); x <= link.right(); ++x)
                QVERIFY(HitTest::OnLinkLamp(x, y));
        const QRect rx = PanelLayout::LampFrame(1);
        QVERIFY(!HitTest::OnLinkLamp(rx.center().x(), rx.center().y()));
        QVERIFY(!HitTest::OnLinkLamp(PanelLayout::kSetupButton.left(), link.top()));
    }

    void keyMap_data() {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("virtualKey");
        const int none = Qt::NoModifier;
        const int keypad = Qt::KeypadModifier;
        QTest::newRow("Right") << int(Qt::Key_Right) << none << 39;
        QTest::newRow("Left") << int(Qt::Key_Left) << none << 37;
        QTest::newRow("Left on the keypad") << int(Qt::Key_Left) << keypad << 37;
        QTest::newRow("Up") << int(Qt::Key_Up) << none << 38;
        QTest::newRow("Down") << int(Qt::Key_Down) << none << 40;
        QTest::newRow("Space") << int(Qt::Key_Space) << none << 32;
        QTest::newRow("Tab") << int(Qt::Key_Tab) << none << 9;
        QTest::newRow("Shift+Tab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << 9;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << none << 27;
        QTest::newRow("Return") << int(Qt::Key_Return) << none << 13;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << keypad << 13;
        QTest::newRow("0") << int(Qt::Key_0) << none << 48;
        QTest::newRow("9") << int(Qt::Key_9) << none << 57;
        QTest::newRow("keypad 0") << int(Qt::Key_0) << keypad << 96;
        QTest::newRow("keypad 9") << int(Qt::Key_9) << keypad << 105;
        QTest::newRow("Ctrl+5 is still 5") << int(Qt::Key_5) << int(Qt::ControlModifier) << 53;
        QTest::newRow("Alt+5 is no key-down") << int(Qt::Key_5) << int(Qt::AltModifier) << 0;
        QTest::newRow("A") << int(Qt::Key_A) << none << 65;
        QTest::newRow("Home") << int(Qt::Key_Home) << none << 36;
        QTest::newRow("End") << int(Qt::Key_End) << none << 35;
        QTest::newRow("Page Up") << int(Qt::Key_PageUp) << none << 33;
        QTest::newRow("Page Down") << int(Qt::Key_PageDown) << none << 34;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << none << 46;
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << none << 8;
        QTest::newRow("F1 has none") << int(Qt::Key_F1) << none << 0;
        QTest::newRow("Shift alone has none") << int(Qt::Key_Shift) << none << 0;
    }
    void keyMap() {
        QFETCH(int, qtKey);
        QFETCH(int, modifiers);
        QFETCH(int, virtualKey);
        QCOMPARE(VirtualKeyFor(qtKey, Qt::KeyboardModifiers(modifiers)), virtualKey);
    }
};

QTEST_APPLESS_MAIN(tst_HitTest)
#include "tst_hittest.moc"
