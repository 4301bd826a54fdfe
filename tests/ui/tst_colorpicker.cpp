#include "ColorDialogAnswer.h"
#include "ColorSignalLog.h"
#include "GrabAtRatio.h"
#include "ui/a11y/AccessibleElement.h"
#include "ui/color/CColorPicker.h"
#include "ui/color/CColorPopup.h"
#include "ui/color/QtColorRef.h"
#include "ui/color/StyleMetrics.h"

#include <QAccessible>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

namespace {

const ColorRef kRed = MakeColorRef(255, 0, 0);    // cell 16
const ColorRef kBrown = MakeColorRef(165, 42, 0); // cell 1
const ColorRef kBlue = MakeColorRef(0, 0, 255);   // cell 13

using Message = ColorNote;
using enum ColorSignal;

// Colour changes of a picker told to screen readers.
int g_pickerDescribed = 0;
void CountPickerDescriptions(QAccessibleEvent* e) {
    if (e->type() == QAccessible::DescriptionChanged && e->object() &&
        e->object()->inherits("CColorPicker"))
        ++g_pickerDescribed;
}

// Counts paints, to tell an immediate repaint from a scheduled one.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class tst_ColorPicker : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void fitSize_fixesHeightAndGrowsWidth_data();
    void fitSize_fixesHeightAndGrowsWidth();
    void click_dropsPopupWithColourMarked();
    void notifications_comeInOrder_data();
    void notifications_comeInOrder();
    void closeUp_arrivesAfterColourIsSet();
    void accessible_pressDropsGridAndChosenColourIsDescribed();
    void liveTracking_setsColourOnEveryHighlight_data();
    void liveTracking_setsColourOnEveryHighlight();
    void pickLabel_routesColourToLabel();
    void setColour_repaintsAtOnce();
    void popupNearScreenCorner_opensAboveAndInside();
    void paint_swatch_data();
    void paint_swatch();
    void paint_arrowPushedWhileDropped();
    void paint_arrowNarrowsByOneDevicePixelARow_data();
    void paint_arrowNarrowsByOneDevicePixelARow();
    void paint_caption_data();
    void paint_caption();
    void paint_focusDotsInsideSwatch_data();
    void paint_focusDotsInsideSwatch();

private:
    CColorPopup* ActivePopup() const {
        return qobject_cast<CColorPopup*>(QApplication::activePopupWidget());
    }

    QWidget* m_dialog = nullptr;
    CColorPicker* m_picker = nullptr;
};

void tst_ColorPicker::init() {
    m_dialog = new QWidget;
    m_dialog->setGeometry(40, 40, 300, 200);
    m_picker = new CColorPicker(1009, m_dialog);
    m_picker->move(20, 30);
    m_picker->resize(90, m_picker->height());
    m_picker->SetFillColor(kRed);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
}

void tst_ColorPicker::cleanup() {
    delete m_dialog;
    m_dialog = nullptr;
}

void tst_ColorPicker::fitSize_fixesHeightAndGrowsWidth_data() {
    QTest::addColumn<QString>("styleName");
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<QSize>("fitted");
    // Both styles end at edge 2 and a 24-pixel arrow box (Fusion's 1-pixel frame counts as 2).
    QTest::newRow("windows, narrow") << "Windows" << QSize(30, 60) << QSize(52, 28);
    QTest::newRow("windows, wide") << "Windows" << QSize(120, 10) << QSize(120, 28);
    QTest::newRow("fusion, narrow") << "Fusion" << QSize(10, 40) << QSize(52, 28);
}

void tst_ColorPicker::fitSize_fixesHeightAndGrowsWidth() {
    QFETCH(QString, styleName);
    QFETCH(QSize, requested);
    QFETCH(QSize, fitted);
    std::unique_ptr<QStyle> style(QStyleFactory::create(styleName));
    QVERIFY(style);
    m_picker->setStyle(style.get());
    m_picker->resize(requested);
    QCOMPARE(m_picker->size(), fitted);
    QCOMPARE(m_picker->arrowRect(), QRect(fitted.width() - 26, 2, 24, 24));
    QCOMPARE(m_picker->sizeHint().height(), 28);
    QVERIFY(m_picker->sizeHint().width() >= 52);
    m_picker->setStyle(nullptr);
}

void tst_ColorPicker::click_dropsPopupWithColourMarked() {
    ColorSignalLog log(m_picker);
    QTest::mouseClick(m_picker, Qt::LeftButton);
    CColorPopup* popup = ActivePopup();
    QVERIFY(popup);
    QVERIFY(m_picker->dropped());
    QCOMPARE(popup->initialIndex(), 16);
    QCOMPARE(popup->initialColor(), kRed);
    QCOMPARE(popup->pos(), m_picker->mapToGlobal(QPoint(0, m_picker->height())));
    QCOMPARE(log.notes, (QList<Message>{{DropDown, kRed}}));
    QTest::keyClick(popup, Qt::Key_Escape);
    QVERIFY(!m_picker->dropped());
}

void tst_ColorPicker::notifications_comeInOrder_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QList<Message>>("expected");
    QTest::addColumn<ColorRef>("finalColor");
    const ColorRef black = MakeColorRef(0, 0, 0);
    const ColorRef chosen = MakeColorRef(1, 2, 3);
    const QList<int> toBrown{Qt::Key_Up, Qt::Key_Right, Qt::Key_Right};
    QTest::newRow("ok on a cell") << "keys" << toBrown + QList<int>{Qt::Key_Return}
                                  << QList<Message>{{DropDown, kRed},
                                                    {SelectionChange, CLR_DEFAULT},
                                                    {SelectionChange, black},
                                                    {SelectionChange, kBrown},
                                                    {CloseUp, kBrown},
                                                    {EndOk, kBrown}}
                                  << kBrown;
    QTest::newRow("escape after moving")
        << "keys" << toBrown + QList<int>{Qt::Key_Escape}
        << QList<Message>{{DropDown, kRed},         {SelectionChange, CLR_DEFAULT},
                          {SelectionChange, black}, {SelectionChange, kBrown},
                          {CloseUp, kRed},          {EndCancel, kRed}}
        << kRed;
    QTest::newRow("auto") << "keys" << QList<int>{Qt::Key_Up, Qt::Key_Return}
                          << QList<Message>{{DropDown, kRed},
                                            {SelectionChange, CLR_DEFAULT},
                                            {CloseUp, CLR_DEFAULT},
                                            {EndOk, CLR_DEFAULT}}
                          << CLR_DEFAULT;
    QTest::newRow("same colour again")
        << "click marked" << QList<int>{}
        << QList<Message>{{DropDown, kRed}, {SelectionChange, kRed}, {CloseUp, kRed}, {EndOk, kRed}}
        << kRed;
    QTest::newRow("click outside")
        << "click outside" << QList<int>{}
        << QList<Message>{{DropDown, kRed}, {CloseUp, kRed}, {EndCancel, kRed}} << kRed;
    // Other reports the colour at opening while highlighted; the dialog decides at the end.
    QTest::newRow("other, dialog accepted") << "other" << QList<int>{Qt::Key_Down, Qt::Key_Space}
                                            << QList<Message>{{DropDown, kRed},
                                                              {SelectionChange, kRed},
                                                              {CloseUp, chosen},
                                                              {EndOk, chosen}}
                                            << chosen;
}

void tst_ColorPicker::notifications_comeInOrder() {
    QFETCH(QString, how);
    QFETCH(QList<int>, keys);
    QFETCH(QList<Message>, expected);
    QFETCH(ColorRef, finalColor);
    ColorSignalLog log(m_picker);
    QTest::mouseClick(m_picker, Qt::LeftButton);
    QPointer<CColorPopup> popup = ActivePopup();
    QVERIFY(popup);

    if (how == QLatin1String("click marked")) {
        QRect cell;
        QVERIFY(popup->cellLayout().CellRect(popup->initialIndex(), cell));
        QTest::mouseMove(popup, cell.center());
        QTRY_COMPARE(popup->hotIndex(), popup->initialIndex());
        QTest::mouseClick(popup, Qt::LeftButton, {}, cell.center());
    } else if (how == QLatin1String("click outside")) {
        QTest::mouseClick(m_dialog->windowHandle(), Qt::LeftButton, {}, QPoint(280, 5));
    } else {
        if (how == QLatin1String("other"))
            AnswerNextColorDialog(m_dialog, true, ToQColor(finalColor));
        for (int key : keys)
            QTest::keyClick(popup, Qt::Key(key));
    }
    QTRY_VERIFY(popup.isNull());
    QCOMPARE(log.notes, expected);
    QCOMPARE(m_picker->FillColor(), finalColor);
    QVERIFY(!m_picker->dropped());
}

void tst_ColorPicker::closeUp_arrivesAfterColourIsSet() {
    ColorRef seenFill = 0;
    bool seenDropped = true;
    int closeUps = 0;
    connect(m_picker, &CColorPicker::closeUp, this, [&](ColorRef) {
        ++closeUps;
        seenFill = m_picker->FillColor();
        seenDropped = m_picker->dropped();
    });
    QTest::mouseClick(m_picker, Qt::LeftButton);
    CColorPopup* popup = ActivePopup();
    QVERIFY(popup);
    QTest::keyClick(popup, Qt::Key_Left); // Auto
    QTest::keyClick(popup, Qt::Key_Return);
    QCOMPARE(closeUps, 1);
    QCOMPARE(seenFill, CLR_DEFAULT);
    QVERIFY(!seenDropped);
}

// Screen readers press the button like a click and hear of the colour it ends with.
void tst_ColorPicker::accessible_pressDropsGridAndChosenColourIsDescribed() {
    QLabel label(QStringLiteral("&Fill :"), m_dialog);
    label.setGeometry(5, 200, 40, 20); // not on the button's line: the buddy decides
    label.setBuddy(m_picker);
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(m_picker);
    QCOMPARE(button->role(), QAccessible::Button);
    QCOMPARE(button->text(QAccessible::Name), QString("Fill"));
    QCOMPARE(button->text(QAccessible::Description), QString("빨간색 (red 255, green 0, blue 0)"));
    QVERIFY(button->state().hasPopup);
    ColorSignalLog log(m_picker);
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    CColorPopup* popup = ActivePopup();
    QVERIFY(popup);
    QVERIFY(button->state().pressed);
    // The grid hangs below the button in the tree, named after it.
    QCOMPARE(button->childCount(), 1);
    QCOMPARE(button->child(0), QAccessible::queryAccessibleInterface(popup));
    QCOMPARE(button->child(0)->parent(), button);
    QCOMPARE(button->child(0)->text(QAccessible::Name), QString("Fill"));
    g_pickerDescribed = 0;
    SetAccessibleEventTap(&CountPickerDescriptions);
    QTest::keyClick(popup, Qt::Key_Up); // Auto
    QTest::keyClick(popup, Qt::Key_Right);
    QTest::keyClick(popup, Qt::Key_Right); // cell 1, brown
    QTest::keyClick(popup, Qt::Key_Return);
    SetAccessibleEventTap(nullptr);
    QCOMPARE(m_picker->FillColor(), kBrown);
    QCOMPARE(g_pickerDescribed, 1);
    QCOMPARE(button->text(QAccessible::Description), QString("갈색 (red 165, green 42, blue 0)"));
    QVERIFY(!button->state().pressed);
    QCOMPARE(button->childCount(), 0);
}

void tst_ColorPicker::liveTracking_setsColourOnEveryHighlight_data() {
    QTest::addColumn<bool>("live");
    QTest::addColumn<ColorRef>("whileOpen");
    QTest::newRow("off") << false << kRed;
    QTest::newRow("on") << true << MakeColorRef(0, 0, 0);
}

void tst_ColorPicker::liveTracking_setsColourOnEveryHighlight() {
    QFETCH(bool, live);
    QFETCH(ColorRef, whileOpen);
    m_picker->SetLiveTracking(live);
    QTest::mouseClick(m_picker, Qt::LeftButton);
    CColorPopup* popup = ActivePopup();
    QVERIFY(popup);
    QTest::keyClick(popup, Qt::Key_Up);
    QTest::keyClick(popup, Qt::Key_Right); // cell 0, black
    QCOMPARE(m_picker->FillColor(), whileOpen);
    QTest::keyClick(popup, Qt::Key_Escape);
    QCOMPARE(m_picker->FillColor(), kRed);
}

void tst_ColorPicker::pickLabel_routesColourToLabel() {
    m_picker->SetPickTarget(PICK_LABEL);
    m_picker->SetLabelColor(kBlue);
    QCOMPARE(m_picker->PickedColor(), kBlue);
    QTest::mouseClick(m_picker, Qt::LeftButton);
    CColorPopup* popup = ActivePopup();
    QVERIFY(popup);
    QCOMPARE(popup->initialIndex(), 13);
    QTest::keyClick(popup, Qt::Key_Up);
    QTest::keyClick(popup, Qt::Key_Return);
    QCOMPARE(m_picker->LabelColor(), CLR_DEFAULT);
    QCOMPARE(m_picker->FillColor(), kRed);
}

void tst_ColorPicker::setColour_repaintsAtOnce() {
    PaintCounter counter;
    m_picker->installEventFilter(&counter);
    m_picker->SetFillColor(kBlue);
    QCOMPARE(counter.paints, 1);
    m_picker->SetLabelColor(kBrown);
    QCOMPARE(counter.paints, 2);
    CColorPicker hidden;
    hidden.SetFillColor(kBlue);
    QCOMPARE(hidden.FillColor(), kBlue);
}

void tst_ColorPicker::popupNearScreenCorner_opensAboveAndInside() {
    const QRect screen = m_dialog->screen()->availableGeometry();
    m_dialog->move(screen.right() - 100, screen.bottom() - 60);
    QTRY_COMPARE(m_dialog->pos(), QPoint(screen.right() - 100, screen.bottom() - 60));
    QTest::mouseClick(m_picker, Qt::LeftButton);
    CColorPopup* popup = ActivePopup();
    QVERIFY(popup);
    const QRect button(m_picker->mapToGlobal(QPoint()), m_picker->size());
    QCOMPARE(popup->geometry().bottom() + 1, button.top());
    QCOMPARE(popup->geometry().right(), screen.right());
    QTest::keyClick(popup, Qt::Key_Escape);
}

void tst_ColorPicker::paint_swatch_data() {
    QTest::addColumn<ColorRef>("fill");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("face");
    QTest::newRow("colour") << kBlue << true << false;
    QTest::newRow("auto") << CLR_DEFAULT << true << true;
    QTest::newRow("disabled") << kBlue << false << true;
}

void tst_ColorPicker::paint_swatch() {
    QFETCH(ColorRef, fill);
    QFETCH(bool, enabled);
    QFETCH(bool, face);
    m_picker->SetFillColor(fill);
    m_picker->setEnabled(enabled);
    const QImage image = m_picker->grab().toImage();
    const QColor expected = face ? m_picker->palette().button().color() : ToQColor(fill);
    QCOMPARE(QColor(image.pixel(10, 10)).name(), expected.name());
    // The sunken edge around everything.
    QCOMPARE(QColor(image.pixel(0, 0)).name(), m_picker->palette().dark().color().name());
}

void tst_ColorPicker::paint_arrowPushedWhileDropped() {
    const QRect arrow = m_picker->arrowRect();
    const QPalette& pal = m_picker->palette();
    auto corner = [&] { return QColor(m_picker->grab().toImage().pixel(arrow.topLeft())).name(); };
    QCOMPARE(corner(), pal.midlight().color().name());
    QTest::mouseClick(m_picker, Qt::LeftButton);
    CColorPopup* popup = ActivePopup();
    QVERIFY(popup);
    QCOMPARE(corner(), pal.dark().color().name());
    QTest::keyClick(popup, Qt::Key_Escape);
    QCOMPARE(corner(), pal.midlight().color().name());
}

// The drop-down arrow is drawn at the screen's resolution: on a screen with two device pixels
// to the pixel its slopes are steps of one device pixel, not of two.
void tst_ColorPicker::paint_arrowNarrowsByOneDevicePixelARow_data() {
    QTest::addColumn<double>("ratio");
    QTest::newRow("1") << 1.0;
    QTest::newRow("2") << 2.0;
}

void tst_ColorPicker::paint_arrowNarrowsByOneDevicePixelARow() {
    QFETCH(double, ratio);
    const QImage image = GrabAtRatio(m_picker, ratio);
    const QRgb ink = m_picker->palette().buttonText().color().rgb();
    const QRect box(m_picker->arrowRect().topLeft() * ratio, m_picker->arrowRect().size() * ratio);
    QList<int> widths;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        int width = 0;
        for (int x = box.left(); x <= box.right(); ++x)
            width += image.pixel(x, y) == ink;
        if (width > 0)
            widths.append(width);
    }
    QVERIFY2(widths.size() >= 3 * ratio, qPrintable(QString::number(widths.size())));
    for (int i = 1; i < widths.size(); ++i)
        QCOMPARE(widths[i], widths[i - 1] - 2);
    QVERIFY(widths.last() <= 2);
}

void tst_ColorPicker::paint_caption_data() {
    QTest::addColumn<ColorRef>("label");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QColor>("present");
    QTest::addColumn<QColor>("absent");
    QTest::newRow("label colour") << kBlue << true << QColor(Qt::blue) << QColor(Qt::black);
    QTest::newRow("auto label is black")
        << CLR_DEFAULT << true << QColor(Qt::black) << QColor(Qt::blue);
    // Embossed: the shadow colour on top, never the label colour.
    QTest::newRow("disabled is embossed") << kBlue << false << QColor() << QColor(Qt::blue);
}

void tst_ColorPicker::paint_caption() {
    QFETCH(ColorRef, label);
    QFETCH(bool, enabled);
    QFETCH(QColor, present);
    QFETCH(QColor, absent);
    QFont big = m_picker->font();
    big.setPixelSize(20);
    big.setBold(true);
    m_picker->setFont(big);
    m_picker->setText(QStringLiteral("■■■"));
    m_picker->SetFillColor(MakeColorRef(255, 255, 0));
    m_picker->SetLabelColor(label);
    m_picker->setEnabled(enabled);
    m_picker->clearFocus();
    if (!present.isValid())
        present = m_picker->palette().dark().color();
    const QImage image = m_picker->grab().toImage();
    const QRect swatch =
        SwatchRectFor(PickerMetricsFor(m_picker->style(), m_picker), m_picker->size());
    int withPresent = 0, withAbsent = 0;
    for (int y = swatch.top(); y <= swatch.bottom(); ++y) {
        for (int x = swatch.left(); x <= swatch.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            withPresent += p == present.rgb();
            withAbsent += p == absent.rgb();
        }
    }
    QVERIFY2(withPresent > 20, qPrintable(QString::number(withPresent)));
    QCOMPARE(withAbsent, 0);
}

void tst_ColorPicker::paint_focusDotsInsideSwatch_data() {
    QTest::addColumn<double>("ratio");
    QTest::newRow("1") << 1.0;
    QTest::newRow("2") << 2.0;
}

void tst_ColorPicker::paint_focusDotsInsideSwatch() {
    QFETCH(double, ratio);
    m_picker->SetFillColor(kRed);
    m_dialog->activateWindow();
    m_picker->setFocus();
    QTRY_VERIFY(m_picker->hasFocus());
    const QRect swatch =
        SwatchRectFor(PickerMetricsFor(m_picker->style(), m_picker), m_picker->size());
    QImage image = GrabAtRatio(m_picker, ratio);
    // White dots on a dark swatch, every other pixel, one pixel inside.
    const QPoint corner = swatch.topLeft() + QPoint(1, 1);
    QCOMPARE(PixelName(image, corner), QColor(Qt::white).name());
    QCOMPARE(PixelName(image, corner + QPoint(1, 0)), QColor(Qt::red).name());
    QCOMPARE(PixelName(image, corner + QPoint(2, 0)), QColor(Qt::white).name());
    QCOMPARE(PixelName(image, swatch.center()), QColor(Qt::red).name());

    m_picker->SetFillColor(MakeColorRef(255, 255, 224));
    image = GrabAtRatio(m_picker, ratio);
    QCOMPARE(PixelName(image, corner), QColor(Qt::black).name());

    m_picker->clearFocus();
    image = GrabAtRatio(m_picker, ratio);
    QCOMPARE(PixelName(image, corner), QColor(255, 255, 224).name());
}

QTEST_MAIN(tst_ColorPicker)
#include "tst_colorpicker.moc"
