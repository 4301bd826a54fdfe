#include "ui/color/CColorPicker.h"

#include "ui/a11y/ColorAccessible.h"
#include "ui/color/CColorPopup.h"
#include "ui/color/QtColorRef.h"
#include "ui/color/StyleMetrics.h"

#include <QEvent>

CColorPicker::CColorPicker(QWidget* parent) : CColorPicker(0, parent) {}

CColorPicker::CColorPicker(int controlId, QWidget* parent)
    : QPushButton(parent), m_controlId(controlId),
      m_fillColor(FromQColor(palette().button().color())),
      m_labelColor(FromQColor(palette().buttonText().color())) {
    // Enter belongs to the dialog's default button; Space still opens the grid.
    setAutoDefault(false);
    InstallColorAccessibility();
    connect(this, &QAbstractButton::clicked, this, &CColorPicker::Open);
    FitSize();
}

void CColorPicker::SetFillColor(ColorRef c) {
    m_fillColor = c;
    if (isVisible())
        repaint();
    if (m_pickTarget != PICK_LABEL)
        AnnouncePickerColor(this);
}

void CColorPicker::SetLabelColor(ColorRef c) {
    m_labelColor = c;
    if (isVisible())
        repaint();
    if (m_pickTarget == PICK_LABEL)
        AnnouncePickerColor(this);
}

ColorRef CColorPicker::PickedColor() const {
    return m_pickTarget == PICK_LABEL ? m_labelColor : m_fillColor;
}

void CColorPicker::SetPickedColor(ColorRef c) {
    if (m_pickTarget == PICK_LABEL)
        SetLabelColor(c);
    else
        SetFillColor(c);
}

void CColorPicker::FitSize() {
    const PickerMetrics m = PickerMetricsFor(style(), this);
    const QSize fitted = FitPickerSize(m, size());
    setFixedHeight(fitted.height());
    setMinimumWidth(FitPickerSize(m, QSize()).width());
    resize(fitted);
    m_arrowRect = ArrowRectFor(m, size());
    updateGeometry();
}

QSize CColorPicker::sizeHint() const {
    const PickerMetrics m = PickerMetricsFor(style(), this);
    return FitPickerSize(m, QSize(QPushButton::sizeHint().width(), 0));
}

QSize CColorPicker::minimumSizeHint() const {
    return FitPickerSize(PickerMetricsFor(style(), this), QSize());
}

void CColorPicker::resizeEvent(QResizeEvent* e) {
    QPushButton::resizeEvent(e);
    m_arrowRect = ArrowRectFor(PickerMetricsFor(style(), this), size());
}

void CColorPicker::changeEvent(QEvent* e) {
    QPushButton::changeEvent(e);
    if (e->type() == QEvent::StyleChange)
        FitSize();
}

void CColorPicker::Open() {
    m_dropped = true;
    repaint();
    // The grid owns itself and, holding pointer and keyboard, is the only way back here.
    auto* popup = new CColorPopup(mapToGlobal(QPoint(0, height())), PickedColor(), this, m_autoText,
                                  m_otherText);
    connect(popup, &CColorPopup::selectionChanged, this, &CColorPicker::OnPopupSelection);
    connect(popup, &CColorPopup::selectionEnded, this,
            [this](ColorRef color) { OnPopupEnd(PopupEnd::Ok, color); });
    connect(popup, &CColorPopup::selectionCancelled, this,
            [this](ColorRef color) { OnPopupEnd(PopupEnd::Cancel, color); });
    Q_EMIT dropDown(PickedColor());
}

void CColorPicker::OnPopupSelection(ColorRef color) {
    if (m_liveTracking)
        SetPickedColor(color);
    Q_EMIT selectionChanged(color);
}

void CColorPicker::OnPopupEnd(PopupEnd how, ColorRef color) {
    m_dropped = false;
    SetPickedColor(color);
    update();
    Q_EMIT closeUp(color);
    if (how == PopupEnd::Ok)
        Q_EMIT selectionEnded(color);
    else
        Q_EMIT selectionCancelled(color);
}
