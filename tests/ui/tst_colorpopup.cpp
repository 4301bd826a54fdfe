#include "ColorDialogAnswer.h"
#include "ColorSignalLog.h"
#include "GrabAtRatio.h"
#include "ui/a11y/AccessibleElement.h"
#include "ui/color/CColorPopup.h"
#include "ui/color/ColorMessages.h"
#include "ui/color/ColorTable.h"
#include "ui/color/QtColorRef.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QPaintEvent>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

namespace {

const ColorRef kRed = MakeColorRef(255, 0, 0);    // cell 16
const ColorRef kBrown = MakeColorRef(165, 42, 0); // cell 1
const ColorRef kOdd = MakeColorRef(1, 2, 3);      // in no cell

// Records the region of every paint the popup gets.
class PaintRecorder : public QObject {
public:
    QList<QRegion> regions;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            regions.append(static_cast<QPaintEvent*>(e)->region());
        return false;
    }
};

// What screen readers were told: event type and the item's name.
QStringList g_events;
void RecordEvent(QAccessibleEvent* event) {
    QAccessibleInterface* item = event->accessibleInterface();
    g_events << QStringLiteral("%1 %2")
                    .arg(int(event->type()), 0, 16)
                    .arg(item ? item->text(QAccessible::Name) : QString());
}

} // namespace

class tst_ColorPopup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void opens_belowPointWithLayoutSize();
    void opening_marksInitialCell_data();
    void opening_marksInitialCell();
    void firstKey_highlightsBox_data();
    void firstKey_highlightsBox();
    void highlight_reportsAndPicks_data();
    void highlight_reportsAndPicks();
    void highlight_repaintsOnlyTwoCells();
    void accessible_cellsListedByNameAndPressed();
    void keys_endThePopup_data();
    void keys_endThePopup();
    void pointer_endsThePopup_data();
    void pointer_endsThePopup();
    void clickOutside_cancelsWithoutPressingBeneath();
    void other_runsColourDialog_data();
    void other_runsColourDialog();
    void hover_highlightsCellUnderPointerAsTooltipNames_data();
    void hover_highlightsCellUnderPointerAsTooltipNames();
    void paint_showsMarkedHotAndSwatches_data();
    void paint_showsMarkedHotAndSwatches();

private:
    CColorPopup* Open(ColorRef initial);

    QWidget* m_host = nullptr;
    QPushButton* m_beneath = nullptr;
};

void tst_ColorPopup::init() {
    SetAccessibleEventTap(&RecordEvent);
    m_host = new QWidget;
    m_host->setGeometry(50, 50, 400, 300);
    m_beneath = new QPushButton(QStringLiteral("beneath"), m_host);
    m_beneath->setGeometry(250, 200, 100, 30);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host));
}

void tst_ColorPopup::cleanup() {
    delete m_host;
    m_host = nullptr;
}

CColorPopup* tst_ColorPopup::Open(ColorRef initial) {
    auto* popup = new CColorPopup(m_host->mapToGlobal(QPoint(10, 40)), initial, m_host,
                                  QStringLiteral("Auto"), QStringLiteral("Other"));
    if (!QTest::qWaitForWindowExposed(popup))
        return nullptr;
    return popup;
}

void tst_ColorPopup::opens_belowPointWithLayoutSize() {
    CColorPopup* popup = Open(kRed);
    QVERIFY(popup);
    QCOMPARE(QApplication::activePopupWidget(), popup);
    QCOMPARE(popup->geometry().topLeft(), m_host->mapToGlobal(QPoint(10, 40)));
    QCOMPARE(popup->size(), popup->cellLayout().windowSize());
    QCOMPARE(popup->hotIndex(), NO_CELL);
    QCOMPARE(popup->pickedColor(), kRed);
    QCOMPARE(popup->font(), m_host->font());
}

void tst_ColorPopup::opening_marksInitialCell_data() {
    QTest::addColumn<ColorRef>("initial");
    QTest::addColumn<int>("marked");
    QTest::newRow("table colour") << kRed << 16;
    QTest::newRow("auto") << CLR_DEFAULT << AUTO_CELL;
    QTest::newRow("other colour") << kOdd << OTHER_CELL;
}

void tst_ColorPopup::opening_marksInitialCell() {
    QFETCH(ColorRef, initial);
    QFETCH(int, marked);
    CColorPopup* popup = Open(initial);
    QVERIFY(popup);
    QCOMPARE(popup->initialIndex(), marked);
}

void tst_ColorPopup::firstKey_highlightsBox_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("hot");
    QTest::addColumn<ColorRef>("reported");
    QTest::addColumn<ColorRef>("picked");
    QTest::newRow("down") << int(Qt::Key_Down) << OTHER_CELL << kRed << kRed;
    QTest::newRow("right") << int(Qt::Key_Right) << OTHER_CELL << kRed << kRed;
    QTest::newRow("up") << int(Qt::Key_Up) << AUTO_CELL << CLR_DEFAULT << CLR_DEFAULT;
    QTest::newRow("left") << int(Qt::Key_Left) << AUTO_CELL << CLR_DEFAULT << CLR_DEFAULT;
}

void tst_ColorPopup::firstKey_highlightsBox() {
    QFETCH(int, key);
    QFETCH(int, hot);
    QFETCH(ColorRef, reported);
    QFETCH(ColorRef, picked);
    CColorPopup* popup = Open(kRed);
    QVERIFY(popup);
    ColorSignalLog log(popup);
    QTest::keyClick(popup, Qt::Key(key));
    QCOMPARE(popup->hotIndex(), hot);
    QCOMPARE(log.notes.size(), 1);
    QCOMPARE(int(log.notes.at(0).kind), int(ColorSignal::SelectionChange));
    QCOMPARE(log.notes.at(0).color, reported);
    QCOMPARE(popup->pickedColor(), picked);
}

void tst_ColorPopup::highlight_reportsAndPicks_data() {
    QTest::addColumn<QList<int>>("cells");
    QTest::addColumn<QList<ColorRef>>("reported");
    QTest::addColumn<ColorRef>("picked");
    QTest::addColumn<QString>("focusedName"); // the list item screen readers are on
    QTest::newRow("cell") << QList<int>{39} << QList<ColorRef>{MakeColorRef(255, 255, 255)}
                          << MakeColorRef(255, 255, 255) << "흰색";
    QTest::newRow("cell then other keeps cell")
        << QList<int>{1, OTHER_CELL} << QList<ColorRef>{kBrown, kOdd} << kBrown << "Other";
    QTest::newRow("auto picks default")
        << QList<int>{AUTO_CELL} << QList<ColorRef>{CLR_DEFAULT} << CLR_DEFAULT << "Auto";
    QTest::newRow("same cell twice reports twice")
        << QList<int>{1, 1} << QList<ColorRef>{kBrown, kBrown} << kBrown << "갈색";
}

void tst_ColorPopup::highlight_reportsAndPicks() {
    QFETCH(QList<int>, cells);
    QFETCH(QList<ColorRef>, reported);
    QFETCH(ColorRef, picked);
    QFETCH(QString, focusedName);
    CColorPopup* popup = Open(kOdd);
    QVERIFY(popup);
    ColorSignalLog log(popup);
    g_events.clear();
    for (int cell : cells)
        popup->Highlight(cell);
    QCOMPARE(log.notes.size(), reported.size());
    for (int i = 0; i < reported.size(); ++i)
        QCOMPARE(log.notes.at(i).color, reported.at(i));
    QCOMPARE(popup->hotIndex(), cells.last());
    QCOMPARE(popup->pickedColor(), picked);
    QAccessibleInterface* focused = QAccessible::queryAccessibleInterface(popup)->focusChild();
    QVERIFY(focused);
    QCOMPARE(focused->role(), QAccessible::ListItem);
    QCOMPARE(focused->text(QAccessible::Name), focusedName);
    QVERIFY(focused->state().focused && focused->state().selected);
    QCOMPARE(g_events.size(), 2 * cells.size());
    QCOMPARE(g_events.last(),
             QStringLiteral("%1 %2").arg(int(QAccessible::Selection), 0, 16).arg(focusedName));
}

// The cells as a list: Auto, the forty colours by name in grid order, Other; pressing one
// picks it as a click does.
void tst_ColorPopup::accessible_cellsListedByNameAndPressed() {
    CColorPopup* popup = Open(kRed);
    QVERIFY(popup);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(popup);
    QCOMPARE(list->role(), QAccessible::List);
    QCOMPARE(list->childCount(), 42);
    QCOMPARE(list->child(0)->text(QAccessible::Name), QString("Auto"));
    for (int i = 0; i < 40; ++i) {
        QAccessibleInterface* cell = list->child(i + 1);
        QCOMPARE(cell->role(), QAccessible::ListItem);
        QCOMPARE(cell->text(QAccessible::Name), QString::fromUtf8(ColorTable[i].name));
        QRect r;
        QVERIFY(popup->cellLayout().CellRect(i, r));
        QCOMPARE(cell->rect(), QRect(popup->mapToGlobal(r.topLeft()), r.size()));
    }
    QCOMPARE(list->child(41)->text(QAccessible::Name), QString("Other"));
    QCOMPARE(list->child(17)->text(QAccessible::Description),
             QString("red 255, green 0, blue 0, current colour"));
    QCOMPARE(list->child(2)->text(QAccessible::Description), QString("red 165, green 42, blue 0"));

    QPointer<CColorPopup> alive(popup);
    ColorSignalLog log(popup);
    list->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(!alive);
    QCOMPARE(log.notes.size(), 2);
    QCOMPARE(int(log.notes.at(1).kind), int(ColorSignal::EndOk));
    QCOMPARE(log.notes.at(1).color, kBrown);
}

void tst_ColorPopup::highlight_repaintsOnlyTwoCells() {
    CColorPopup* popup = Open(kRed);
    QVERIFY(popup);
    popup->Highlight(3);
    QApplication::processEvents();
    PaintRecorder recorder;
    popup->installEventFilter(&recorder);
    popup->Highlight(30);
    QTRY_VERIFY(!recorder.regions.isEmpty());
    QRect from, to;
    QVERIFY(popup->cellLayout().CellRect(3, from));
    QVERIFY(popup->cellLayout().CellRect(30, to));
    QRegion painted;
    for (const QRegion& r : recorder.regions)
        painted += r;
    QCOMPARE(painted, QRegion(from) + QRegion(to));
}

void tst_ColorPopup::keys_endThePopup_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("message");
    QTest::addColumn<ColorRef>("color");
    QTest::newRow("escape") << int(Qt::Key_Escape) << int(ColorSignal::EndCancel) << kRed;
    QTest::newRow("return") << int(Qt::Key_Return) << int(ColorSignal::EndOk) << kBrown;
    QTest::newRow("enter") << int(Qt::Key_Enter) << int(ColorSignal::EndOk) << kBrown;
    QTest::newRow("space") << int(Qt::Key_Space) << int(ColorSignal::EndOk) << kBrown;
}

void tst_ColorPopup::keys_endThePopup() {
    QFETCH(int, key);
    QFETCH(int, message);
    QFETCH(ColorRef, color);
    QPointer<CColorPopup> popup = Open(kRed);
    QVERIFY(popup);
    // Up to Auto, then Right twice: cell 0, cell 1.
    QTest::keyClick(popup, Qt::Key_Up);
    QTest::keyClick(popup, Qt::Key_Right);
    QTest::keyClick(popup, Qt::Key_Right);
    QCOMPARE(popup->hotIndex(), 1);
    ColorSignalLog log(popup);
    QTest::keyClick(popup, Qt::Key(key));
    QCOMPARE(log.notes.size(), 1);
    QCOMPARE(int(log.notes.at(0).kind), message);
    QCOMPARE(log.notes.at(0).color, color);
    QTRY_VERIFY(popup.isNull());
    QVERIFY(!QApplication::activePopupWidget());
}

void tst_ColorPopup::pointer_endsThePopup_data() {
    QTest::addColumn<int>("hover");
    QTest::addColumn<QPoint>("release");
    QTest::addColumn<int>("message");
    QTest::addColumn<ColorRef>("color");
    QTest::newRow("on a cell") << 16 << QPoint() << int(ColorSignal::EndOk) << kRed;
    QTest::newRow("on the border, nothing hot")
        << NO_CELL << QPoint(1, 1) << int(ColorSignal::EndOk) << kBrown;
    QTest::newRow("on a gap after a cell")
        << 39 << QPoint(10, 27) << int(ColorSignal::EndOk) << MakeColorRef(255, 255, 255);
    QTest::newRow("dragged outside")
        << 16 << QPoint(-30, 10) << int(ColorSignal::EndCancel) << kBrown;
}

void tst_ColorPopup::pointer_endsThePopup() {
    QFETCH(int, hover);
    QFETCH(QPoint, release);
    QFETCH(int, message);
    QFETCH(ColorRef, color);
    QPointer<CColorPopup> popup = Open(kBrown);
    QVERIFY(popup);
    QRect cell;
    if (hover != NO_CELL) {
        QVERIFY(popup->cellLayout().CellRect(hover, cell));
        QTest::mouseMove(popup, cell.center());
        QTRY_COMPARE(popup->hotIndex(), hover);
    }
    const QPoint at = release.isNull() ? cell.center() : release;
    ColorSignalLog log(popup);
    QTest::mousePress(popup, Qt::LeftButton, {}, cell.isValid() ? cell.center() : at);
    QTest::mouseRelease(popup, Qt::LeftButton, {}, at);
    QVERIFY(!log.notes.isEmpty());
    QCOMPARE(int(log.notes.last().kind), message);
    QCOMPARE(log.notes.last().color, color);
    QTRY_VERIFY(popup.isNull());
}

void tst_ColorPopup::clickOutside_cancelsWithoutPressingBeneath() {
    QPointer<CColorPopup> popup = Open(kBrown);
    QVERIFY(popup);
    QVERIFY(
        !popup->geometry().intersects(QRect(m_beneath->mapToGlobal(QPoint()), m_beneath->size())));
    popup->Highlight(16);
    ColorSignalLog log(popup);
    QSignalSpy pressed(m_beneath, &QPushButton::clicked);
    // Through the window system, as a real click elsewhere arrives.
    QTest::mouseClick(m_host->windowHandle(), Qt::LeftButton, {},
                      m_beneath->mapTo(m_host, QPoint(20, 10)));
    QCOMPARE(log.notes.size(), 1);
    QCOMPARE(int(log.notes.at(0).kind), int(ColorSignal::EndCancel));
    QCOMPARE(log.notes.at(0).color, kBrown);
    QTRY_VERIFY(popup.isNull());
    QCOMPARE(pressed.size(), 0);
}

void tst_ColorPopup::other_runsColourDialog_data() {
    QTest::addColumn<bool>("byPointer");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<ColorRef>("color");
    QTest::newRow("enter, accepted") << false << true << MakeColorRef(10, 20, 30);
    QTest::newRow("enter, cancelled") << false << false << kOdd;
    QTest::newRow("click, accepted") << true << true << MakeColorRef(200, 100, 50);
}

void tst_ColorPopup::other_runsColourDialog() {
    QFETCH(bool, byPointer);
    QFETCH(bool, accept);
    QFETCH(ColorRef, color);
    QPointer<CColorPopup> popup = Open(kOdd);
    QVERIFY(popup);
    QTest::keyClick(popup, Qt::Key_Down);
    QCOMPARE(popup->hotIndex(), OTHER_CELL);
    ColorSignalLog log(popup);
    AnswerNextColorDialog(m_host, accept, ToQColor(color));
    if (byPointer)
        QTest::mouseClick(popup, Qt::LeftButton, {}, popup->cellLayout().otherRect().center());
    else
        QTest::keyClick(popup, Qt::Key_Return);
    QCOMPARE(log.notes.size(), 1);
    // Even a cancelled dialog ends the popup with OK.
    QCOMPARE(int(log.notes.at(0).kind), int(ColorSignal::EndOk));
    QCOMPARE(log.notes.at(0).color, color);
    QTRY_VERIFY(popup.isNull());
}

void tst_ColorPopup::hover_highlightsCellUnderPointerAsTooltipNames_data() {
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<int>("cell");
    QTest::newRow("bottom 2 px of cell 0") << QPoint(8, 16) << 0;
    QTest::newRow("last pixel of cell 0") << QPoint(17, 17) << 0;
    QTest::newRow("top of cell 8") << QPoint(8, 18) << 8;
    QTest::newRow("bottom 2 px of cell 33") << QPoint(26, 4 * 18 + 17) << 33;
}

void tst_ColorPopup::hover_highlightsCellUnderPointerAsTooltipNames() {
    QFETCH(QPoint, offset);
    QFETCH(int, cell);
    CColorPopup* popup = Open(kRed);
    QVERIFY(popup);
    QRect first;
    QVERIFY(popup->cellLayout().CellRect(0, first));
    const QPoint at = first.topLeft() + offset;
    QTest::mouseMove(popup, at);
    QTRY_COMPARE(popup->hotIndex(), cell);

    QHelpEvent help(QEvent::ToolTip, at, popup->mapToGlobal(at));
    QApplication::sendEvent(popup, &help);
    QTRY_COMPARE(QToolTip::text(), QString::fromUtf8(ColorTable[cell].name));

    // Left of every cell nothing changes.
    QTest::mouseMove(popup, QPoint(first.left() - 1, at.y()));
    QCOMPARE(popup->hotIndex(), cell);
    QToolTip::hideText();
}

// At ratio 2 every frame and outline still covers whole pixels at its place.
void tst_ColorPopup::paint_showsMarkedHotAndSwatches_data() {
    QTest::addColumn<double>("ratio");
    QTest::newRow("1") << 1.0;
    QTest::newRow("2") << 2.0;
}

void tst_ColorPopup::paint_showsMarkedHotAndSwatches() {
    QFETCH(double, ratio);
    CColorPopup* popup = Open(kRed);
    QVERIFY(popup);
    popup->Highlight(39);
    const QImage image = GrabAtRatio(popup, ratio);
    const QPalette& pal = popup->palette();
    const ColorPopupLayout& layout = popup->cellLayout();
    QRect marked, hot, plain;
    QVERIFY(layout.CellRect(16, marked));
    QVERIFY(layout.CellRect(39, hot));
    QVERIFY(layout.CellRect(1, plain));
    auto pixel = [&](QPoint p) { return PixelName(image, p); };

    // The marked cell: sunken frame, highlight fill, red swatch.
    QCOMPARE(pixel(marked.topLeft()), pal.dark().color().name());
    QCOMPARE(pixel(marked.topLeft() + QPoint(1, 1)), pal.shadow().color().name());
    QCOMPARE(pixel(marked.topLeft() + QPoint(2, 2)), pal.light().color().name());
    QCOMPARE(pixel(marked.topLeft() + QPoint(3, 3)), pal.dark().color().name());
    QCOMPARE(pixel(marked.center()), ToQColor(kRed).name());
    // The hot cell: raised frame, face fill, white swatch.
    QCOMPARE(pixel(hot.topLeft()), pal.midlight().color().name());
    QCOMPARE(pixel(hot.topLeft() + QPoint(1, 1)), pal.light().color().name());
    QCOMPARE(pixel(hot.bottomRight()), pal.shadow().color().name());
    QCOMPARE(pixel(hot.topLeft() + QPoint(2, 2)), pal.button().color().name());
    QCOMPARE(pixel(hot.center()), QColor(Qt::white).name());
    // A plain cell has no frame.
    QCOMPARE(pixel(plain.topLeft()), pal.button().color().name());
    QCOMPARE(pixel(plain.center()), ToQColor(kBrown).name());
    // The separator above the Other box.
    const QRect other = layout.otherRect();
    const int x = other.left() + 2 * layout.margin();
    QCOMPARE(pixel(QPoint(x, other.top())), pal.dark().color().name());
    QCOMPARE(pixel(QPoint(x, other.top() + 1)), pal.light().color().name());
    // The window's own raised edge.
    QCOMPARE(pixel(QPoint(0, 0)), pal.midlight().color().name());
    QCOMPARE(pixel(QPoint(popup->width() - 1, popup->height() - 1)), pal.shadow().color().name());
    // Inside a swatch's outline, and the Auto box's inner outline with the face inside it.
    QCOMPARE(pixel(plain.topLeft() + QPoint(4, 4)), ToQColor(kBrown).name());
    const QRect inner = layout.autoRect()
                            .adjusted(1, 1, -1, -1)
                            .adjusted(2 * layout.margin(), 2 * layout.margin(),
                                      -2 * layout.margin(), -2 * layout.margin());
    QCOMPARE(pixel(inner.topLeft()), pal.dark().color().name());
    QCOMPARE(pixel(inner.bottomRight()), pal.dark().color().name());
    QCOMPARE(pixel(inner.topLeft() + QPoint(1, 1)), pal.button().color().name());
}

QTEST_MAIN(tst_ColorPopup)
#include "tst_colorpopup.moc"
