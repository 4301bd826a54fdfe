#include "ui/color/ColorPopupLayout.h"
#include "ui/color/ColorTable.h"
#include "ui/color/PickerGeometry.h"

#include <QSet>
#include <QTest>

Q_DECLARE_METATYPE(PickerMetrics)

namespace {

// Margin 2 with 12-pixel captions narrower than the grid: the common case on screen.
ColorPopupLayout Example(bool hasAuto = true, bool hasOther = true) {
    PopupCaptions captions;
    captions.hasAuto = hasAuto;
    captions.autoSize = QSize(24, 12);
    captions.hasOther = hasOther;
    captions.otherSize = QSize(30, 12);
    return ColorPopupLayout(2, captions);
}

} // namespace

class tst_ColorPopupLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void colorTable_holdsFortyDistinctNamedColours();
    void workedExample_matchesRectangles_data();
    void workedExample_matchesRectangles();
    void cellSize_keepsSwatchFiveWide_data();
    void cellSize_keepsSwatchFiveWide();
    void wideCaptions_widenWindowAndBoxesNotGrid();
    void missingBoxes_shrinkWindow_data();
    void missingBoxes_shrinkWindow();
    void rowColumnCellAt_data();
    void rowColumnCellAt();
    void hitTest_usesDrawnRectangles_data();
    void hitTest_usesDrawnRectangles();
    void navigate_data();
    void navigate();
    void navigate_rightAndLeftWalkTheRing();
    void initialIndex_data();
    void initialIndex();
    void placePopup_keepsItOnScreen_data();
    void placePopup_keepsItOnScreen();
    void pickerGeometry_data();
    void pickerGeometry();
};

void tst_ColorPopupLayout::colorTable_holdsFortyDistinctNamedColours() {
    QSet<ColorRef> colours;
    QSet<QString> names;
    for (const ColorEntry& e : ColorTable) {
        colours.insert(e.color);
        names.insert(QString::fromUtf8(e.name));
    }
    QCOMPARE(colours.size(), 40);
    QCOMPARE(names.size(), 40);
    QCOMPARE(ColorTable[1].color, MakeColorRef(165, 42, 0));
    QCOMPARE(QString::fromUtf8(ColorTable[1].name), QStringLiteral("갈색"));
    QCOMPARE(ColorTable[20].color, MakeColorRef(127, 255, 212));
    QCOMPARE(QString::fromUtf8(ColorTable[15].name), QStringLiteral("회색-40"));
    QCOMPARE(ColorTable[39].color, MakeColorRef(255, 255, 255));
    QCOMPARE(QString::fromUtf8(ColorTable[39].name), QStringLiteral("흰색"));
}

void tst_ColorPopupLayout::workedExample_matchesRectangles_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("auto") << AUTO_CELL << RectLTRB(2, 2, 146, 26);
    QTest::newRow("cell 0") << 0 << RectLTRB(2, 28, 20, 46);
    QTest::newRow("cell 7") << 7 << RectLTRB(128, 28, 146, 46);
    QTest::newRow("cell 8") << 8 << RectLTRB(2, 46, 20, 64);
    QTest::newRow("cell 39") << 39 << RectLTRB(128, 100, 146, 118);
    QTest::newRow("other") << OTHER_CELL << RectLTRB(2, 122, 146, 146);
}

void tst_ColorPopupLayout::workedExample_matchesRectangles() {
    QFETCH(int, item);
    QFETCH(QRect, expected);
    const ColorPopupLayout layout = Example();
    QCOMPARE(layout.windowSize(), QSize(148, 150));
    QCOMPARE(layout.rowCount(), 5);
    QCOMPARE(layout.columnCount(), 8);
    QRect r;
    QVERIFY(layout.CellRect(item, r));
    QCOMPARE(r, expected);
}

void tst_ColorPopupLayout::cellSize_keepsSwatchFiveWide_data() {
    QTest::addColumn<int>("margin");
    QTest::addColumn<int>("cellSize");
    QTest::newRow("1") << 1 << 18;
    QTest::newRow("2") << 2 << 18;
    QTest::newRow("5") << 5 << 18;
    QTest::newRow("6") << 6 << 19;
    QTest::newRow("8") << 8 << 23;
}

void tst_ColorPopupLayout::cellSize_keepsSwatchFiveWide() {
    QFETCH(int, margin);
    QFETCH(int, cellSize);
    const ColorPopupLayout layout(margin, PopupCaptions{});
    QCOMPARE(layout.cellSize(), cellSize);
    QCOMPARE(layout.windowSize(), QSize(8 * cellSize + 2 * margin, 5 * cellSize + 2 * margin));
}

void tst_ColorPopupLayout::wideCaptions_widenWindowAndBoxesNotGrid() {
    PopupCaptions captions{true, QSize(200, 12), true, QSize(60, 16)};
    const ColorPopupLayout layout(2, captions);
    // t = 16 + 8 + 2 = 26; width = 200 + 4.
    QCOMPARE(layout.windowSize(), QSize(204, 158));
    QCOMPARE(layout.autoRect(), RectLTRB(2, 2, 202, 30));
    QCOMPARE(layout.otherRect(), RectLTRB(2, 126, 202, 154));
    QRect r;
    QVERIFY(layout.CellRect(7, r));
    QCOMPARE(r, RectLTRB(128, 32, 146, 50));
}

void tst_ColorPopupLayout::missingBoxes_shrinkWindow_data() {
    QTest::addColumn<bool>("hasAuto");
    QTest::addColumn<bool>("hasOther");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QRect>("cell0");
    QTest::addColumn<QRect>("other");
    QTest::newRow("only other") << false << true << QSize(148, 122) << RectLTRB(2, 2, 20, 20)
                                << RectLTRB(2, 94, 146, 118);
    QTest::newRow("only auto") << true << false << QSize(148, 122) << RectLTRB(2, 28, 20, 46)
                               << QRect();
    QTest::newRow("none") << false << false << QSize(148, 94) << RectLTRB(2, 2, 20, 20) << QRect();
}

void tst_ColorPopupLayout::missingBoxes_shrinkWindow() {
    QFETCH(bool, hasAuto);
    QFETCH(bool, hasOther);
    QFETCH(QSize, window);
    QFETCH(QRect, cell0);
    QFETCH(QRect, other);
    const ColorPopupLayout layout = Example(hasAuto, hasOther);
    QCOMPARE(layout.windowSize(), window);
    QRect r;
    QVERIFY(layout.CellRect(0, r));
    QCOMPARE(r, cell0);
    QRect box;
    QCOMPARE(layout.CellRect(OTHER_CELL, box), hasOther);
    if (hasOther)
        QCOMPARE(box, other);
    QCOMPARE(layout.CellRect(AUTO_CELL, box), hasAuto);
    QCOMPARE(layout.HitTest(QPoint(10, 10)), hasAuto ? AUTO_CELL : 0);
}

void tst_ColorPopupLayout::rowColumnCellAt_data() {
    QTest::addColumn<bool>("boxes");
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::newRow("0") << true << 0 << 0 << 0;
    QTest::newRow("7") << true << 7 << 0 << 7;
    QTest::newRow("8") << true << 8 << 1 << 0;
    QTest::newRow("39") << true << 39 << 4 << 7;
    QTest::newRow("40") << true << 40 << NO_CELL << NO_CELL;
    QTest::newRow("none") << true << NO_CELL << NO_CELL << NO_CELL;
    QTest::newRow("other") << true << OTHER_CELL << OTHER_CELL << OTHER_CELL;
    QTest::newRow("auto") << true << AUTO_CELL << AUTO_CELL << AUTO_CELL;
    QTest::newRow("other, no box") << false << OTHER_CELL << NO_CELL << NO_CELL;
    QTest::newRow("auto, no box") << false << AUTO_CELL << NO_CELL << NO_CELL;
}

void tst_ColorPopupLayout::rowColumnCellAt() {
    QFETCH(bool, boxes);
    QFETCH(int, cell);
    QFETCH(int, row);
    QFETCH(int, column);
    const ColorPopupLayout layout = Example(boxes, boxes);
    QCOMPARE(layout.RowOf(cell), row);
    QCOMPARE(layout.ColumnOf(cell), column);
    QCOMPARE(layout.CellAt(row, column), row == NO_CELL ? NO_CELL : cell);
    QRect r(1, 1, 1, 1);
    if (cell < 0 && row == NO_CELL) {
        QVERIFY(!layout.CellRect(cell, r));
        QCOMPARE(r, QRect(1, 1, 1, 1));
    }
}

void tst_ColorPopupLayout::hitTest_usesDrawnRectangles_data() {
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("cell");
    QTest::newRow("cell 0 top-left") << QPoint(2, 28) << 0;
    QTest::newRow("cell 0 bottom 2 px") << QPoint(10, 44) << 0;
    QTest::newRow("cell 0 last pixel") << QPoint(19, 45) << 0;
    QTest::newRow("cell 8 first row") << QPoint(10, 46) << 8;
    QTest::newRow("cell 7 right pixel") << QPoint(145, 30) << 7;
    QTest::newRow("right of grid") << QPoint(146, 30) << NO_CELL;
    QTest::newRow("left border") << QPoint(1, 30) << NO_CELL;
    QTest::newRow("left of window") << QPoint(-10, 30) << NO_CELL;
    QTest::newRow("row 4 bottom 2 px") << QPoint(10, 117) << 32;
    QTest::newRow("below grid") << QPoint(10, 118) << NO_CELL;
    QTest::newRow("gap under auto") << QPoint(10, 27) << NO_CELL;
    QTest::newRow("auto top-left") << QPoint(2, 2) << AUTO_CELL;
    QTest::newRow("auto bottom-right") << QPoint(145, 25) << AUTO_CELL;
    QTest::newRow("past auto") << QPoint(146, 25) << NO_CELL;
    QTest::newRow("other separator") << QPoint(10, 123) << NO_CELL;
    QTest::newRow("other face") << QPoint(10, 126) << OTHER_CELL;
    QTest::newRow("other bottom-right") << QPoint(145, 145) << OTHER_CELL;
    QTest::newRow("below other") << QPoint(145, 146) << NO_CELL;
    QTest::newRow("above window") << QPoint(10, -3) << NO_CELL;
}

void tst_ColorPopupLayout::hitTest_usesDrawnRectangles() {
    QFETCH(QPoint, point);
    QFETCH(int, cell);
    const ColorPopupLayout layout = Example();
    QCOMPARE(layout.HitTest(point), cell);
    QRect r;
    if (cell >= 0) {
        QVERIFY(layout.CellRect(cell, r));
        QVERIFY(r.contains(point));
    }
}

void tst_ColorPopupLayout::navigate_data() {
    QTest::addColumn<bool>("hasAuto");
    QTest::addColumn<bool>("hasOther");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    const int down = int(PopupKey::Down), up = int(PopupKey::Up);
    const int right = int(PopupKey::Right), left = int(PopupKey::Left);

    QTest::newRow("first down") << true << true << down << NO_CELL << OTHER_CELL;
    QTest::newRow("first right") << true << true << right << NO_CELL << OTHER_CELL;
    QTest::newRow("first up") << true << true << up << NO_CELL << AUTO_CELL;
    QTest::newRow("first left") << true << true << left << NO_CELL << AUTO_CELL;
    QTest::newRow("first down, no other") << true << false << down << NO_CELL << AUTO_CELL;
    QTest::newRow("first up, no auto") << false << true << up << NO_CELL << OTHER_CELL;
    QTest::newRow("first down, no boxes") << false << false << down << NO_CELL << 0;
    QTest::newRow("first up, no boxes") << false << false << up << NO_CELL << 39;

    QTest::newRow("down from auto") << true << true << down << AUTO_CELL << 0;
    QTest::newRow("down from other") << true << true << down << OTHER_CELL << AUTO_CELL;
    QTest::newRow("down from other, no auto") << false << true << down << OTHER_CELL << 0;
    QTest::newRow("down in grid") << true << true << down << 3 << 11;
    for (int c = 0; c < 8; ++c) {
        QTest::addRow("down from row 4 col %d", c) << true << true << down << 32 + c << OTHER_CELL;
        QTest::addRow("up from row 0 col %d", c) << true << true << up << c << AUTO_CELL;
    }
    QTest::newRow("down from row 4, only auto") << true << false << down << 35 << AUTO_CELL;
    QTest::newRow("down from row 4, no boxes") << false << false << down << 35 << 0;

    QTest::newRow("up from auto") << true << true << up << AUTO_CELL << OTHER_CELL;
    QTest::newRow("up from auto, no other") << true << false << up << AUTO_CELL << 39;
    QTest::newRow("up from other") << true << true << up << OTHER_CELL << 39;
    QTest::newRow("up in grid") << true << true << up << 11 << 3;
    QTest::newRow("up from row 0, only other") << false << true << up << 5 << OTHER_CELL;
    QTest::newRow("up from row 0, no boxes") << false << false << up << 5 << 39;

    QTest::newRow("right wraps row") << true << true << right << 7 << 8;
    QTest::newRow("right from 39") << true << true << right << 39 << OTHER_CELL;
    QTest::newRow("right from 39, no boxes") << false << false << right << 39 << 0;
    QTest::newRow("left wraps row") << true << true << left << 8 << 7;
    QTest::newRow("left from 0") << true << true << left << 0 << AUTO_CELL;
    QTest::newRow("left from 0, no boxes") << false << false << left << 0 << 39;
    QTest::newRow("left from other") << true << true << left << OTHER_CELL << 39;
    QTest::newRow("left from auto, no other") << true << false << left << AUTO_CELL << 39;
}

void tst_ColorPopupLayout::navigate() {
    QFETCH(bool, hasAuto);
    QFETCH(bool, hasOther);
    QFETCH(int, key);
    QFETCH(int, from);
    QFETCH(int, to);
    QCOMPARE(Example(hasAuto, hasOther).Navigate(PopupKey(key), from), to);
}

void tst_ColorPopupLayout::navigate_rightAndLeftWalkTheRing() {
    const ColorPopupLayout layout = Example();
    QList<int> ring{AUTO_CELL};
    for (int i = 0; i < 40; ++i)
        ring.append(i);
    ring.append(OTHER_CELL);

    int hot = AUTO_CELL;
    for (int step = 1; step <= ring.size(); ++step) {
        hot = layout.Navigate(PopupKey::Right, hot);
        QCOMPARE(hot, ring.at(step % ring.size()));
    }
    for (int step = ring.size() - 1; step >= 0; --step) {
        hot = layout.Navigate(PopupKey::Left, hot);
        QCOMPARE(hot, ring.at(step));
    }
}

void tst_ColorPopupLayout::initialIndex_data() {
    QTest::addColumn<bool>("hasAuto");
    QTest::addColumn<bool>("hasOther");
    QTest::addColumn<ColorRef>("color");
    QTest::addColumn<int>("cell");
    QTest::newRow("auto") << true << true << CLR_DEFAULT << AUTO_CELL;
    QTest::newRow("auto without box") << false << true << CLR_DEFAULT << OTHER_CELL;
    QTest::newRow("black") << true << true << MakeColorRef(0, 0, 0) << 0;
    QTest::newRow("red") << true << true << MakeColorRef(255, 0, 0) << 16;
    QTest::newRow("white") << true << true << MakeColorRef(255, 255, 255) << 39;
    QTest::newRow("not in table") << true << true << MakeColorRef(1, 2, 3) << OTHER_CELL;
    QTest::newRow("palette-relative red") << true << true << (0x02000000u | 0xFFu) << OTHER_CELL;
    QTest::newRow("not in table, no boxes") << false << false << MakeColorRef(1, 2, 3) << NO_CELL;
}

void tst_ColorPopupLayout::initialIndex() {
    QFETCH(bool, hasAuto);
    QFETCH(bool, hasOther);
    QFETCH(ColorRef, color);
    QFETCH(int, cell);
    QCOMPARE(Example(hasAuto, hasOther).InitialIndexFor(color), cell);
}

void tst_ColorPopupLayout::placePopup_keepsItOnScreen_data() {
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QPoint>("placed");
    const QRect screen(0, 0, 1024, 768);
    QTest::newRow("fits") << screen << QRect(100, 100, 148, 150) << QPoint(100, 100);
    QTest::newRow("touches right") << screen << QRect(876, 100, 148, 150) << QPoint(876, 100);
    QTest::newRow("past right") << screen << QRect(900, 100, 148, 150) << QPoint(876, 100);
    QTest::newRow("past left") << screen << QRect(-20, 100, 148, 150) << QPoint(0, 100);
    QTest::newRow("touches bottom") << screen << QRect(10, 618, 148, 150) << QPoint(10, 618);
    // Above an owner 28 high: the popup's bottom meets the owner's top (640 - 28 = 612).
    QTest::newRow("past bottom") << screen << QRect(10, 640, 148, 150) << QPoint(10, 462);
    QTest::newRow("past both") << screen << QRect(1000, 700, 148, 150) << QPoint(876, 522);
    const QRect second(1024, 0, 1280, 1024);
    QTest::newRow("second screen, left of it")
        << second << QRect(1000, 100, 148, 150) << QPoint(1024, 100);
    QTest::newRow("second screen, past right")
        << second << QRect(2250, 100, 148, 150) << QPoint(2156, 100);
}

void tst_ColorPopupLayout::placePopup_keepsItOnScreen() {
    QFETCH(QRect, screen);
    QFETCH(QRect, window);
    QFETCH(QPoint, placed);
    const QRect r = PlacePopup(window, screen, 28);
    QCOMPARE(r.topLeft(), placed);
    QCOMPARE(r.size(), window.size());
}

void tst_ColorPopupLayout::pickerGeometry_data() {
    QTest::addColumn<PickerMetrics>("metrics");
    QTest::addColumn<QSize>("current");
    QTest::addColumn<int>("side");
    QTest::addColumn<QSize>("fitted");
    QTest::addColumn<QRect>("arrow");
    QTest::addColumn<QRect>("swatch");
    QTest::newRow("classic, narrow")
        << PickerMetrics{2, 2, 16, 16} << QSize(40, 20) << 24 << QSize(52, 28)
        << RectLTRB(26, 2, 50, 26) << RectLTRB(2, 2, 26, 26);
    QTest::newRow("classic, wide and tall")
        << PickerMetrics{2, 2, 16, 16} << QSize(100, 40) << 24 << QSize(100, 28)
        << RectLTRB(74, 2, 98, 26) << RectLTRB(2, 2, 74, 26);
    QTest::newRow("thin edge") << PickerMetrics{1, 1, 16, 16} << QSize(10, 10) << 16
                               << QSize(34, 18) << RectLTRB(17, 1, 33, 17)
                               << RectLTRB(1, 1, 17, 17);
    QTest::newRow("wide thumb") << PickerMetrics{2, 2, 30, 20} << QSize(0, 0) << 30 << QSize(64, 34)
                                << RectLTRB(32, 2, 62, 32) << RectLTRB(2, 2, 32, 32);
    QTest::newRow("wide edge only")
        << PickerMetrics{4, 1, 16, 16} << QSize(0, 0) << 20 << QSize(48, 22)
        << RectLTRB(24, 1, 44, 21) << RectLTRB(4, 1, 24, 21);
}

void tst_ColorPopupLayout::pickerGeometry() {
    QFETCH(PickerMetrics, metrics);
    QFETCH(QSize, current);
    QFETCH(int, side);
    QFETCH(QSize, fitted);
    QFETCH(QRect, arrow);
    QFETCH(QRect, swatch);
    QCOMPARE(ArrowSide(metrics), side);
    QCOMPARE(FitPickerSize(metrics, current), fitted);
    QCOMPARE(ArrowRectFor(metrics, fitted), arrow);
    QCOMPARE(SwatchRectFor(metrics, fitted), swatch);
}

QTEST_APPLESS_MAIN(tst_ColorPopupLayout)
#include "tst_colorpopuplayout.moc"
