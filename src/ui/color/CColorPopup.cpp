#include "ui/color/CColorPopup.h"

#include "ui/a11y/ColorAccessible.h"
#include "ui/color/ColorMessages.h"
#include "ui/color/ColorTable.h"
#include "ui/color/QtColorRef.h"
#include "ui/color/StyleMetrics.h"

#include <QColorDialog>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QToolTip>

namespace {

PopupCaptions MeasureCaptions(const QFont& font, const QString& autoText,
                              const QString& otherText) {
    const QFontMetrics fm(font);
    PopupCaptions captions;
    captions.hasAuto = !autoText.isEmpty();
    captions.hasOther = !otherText.isEmpty();
    if (captions.hasAuto)
        captions.autoSize = QSize(fm.horizontalAdvance(autoText), fm.height());
    if (captions.hasOther)
        captions.otherSize = QSize(fm.horizontalAdvance(otherText), fm.height());
    return captions;
}

} // namespace

CColorPopup::CColorPopup(QPoint topLeft, ColorRef initialColor, QWidget* owner,
                         const QString& autoText, const QString& otherText)
    : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint), m_autoText(autoText),
      m_otherText(otherText), m_initialColor(initialColor), m_pickedColor(initialColor) {
    InstallColorAccessibility();
    setAttribute(Qt::WA_DeleteOnClose);
    // Take the owner's font and palette like any menu of the dialog would.
    setAttribute(Qt::WA_WindowPropagation);
    // A click outside only cancels; it must not also press whatever lies beneath.
    setAttribute(Qt::WA_NoMouseReplay);
    setMouseTracking(true);

    m_layout = ColorPopupLayout(EdgeMetric(style(), this),
                                MeasureCaptions(font(), m_autoText, m_otherText));
    setFixedSize(m_layout.windowSize());

    QScreen* screen = owner ? owner->screen() : this->screen();
    const int ownerHeight = owner ? owner->height() : 0;
    const QRect placed =
        PlacePopup(QRect(topLeft, m_layout.windowSize()), screen->availableGeometry(), ownerHeight);
    move(placed.topLeft());

    m_initialIndex = m_layout.InitialIndexFor(m_initialColor);
    show();
    AnnouncePopupFocus(this);
}

void CColorPopup::Highlight(int i) {
    QRect r;
    if (m_layout.CellRect(m_hotIndex, r))
        update(r);
    m_hotIndex = i;
    if (m_layout.CellRect(i, r))
        update(r);
    AnnouncePopupFocus(this);

    if (i == OTHER_CELL) {
        // The dialog decides the colour only when the popup ends.
        Q_EMIT selectionChanged(m_initialColor);
    } else if (i == AUTO_CELL) {
        m_pickedColor = CLR_DEFAULT;
        Q_EMIT selectionChanged(m_pickedColor);
    } else if (i >= 0 && i < m_layout.colorCount()) {
        m_pickedColor = ColorTable[i].color;
        Q_EMIT selectionChanged(m_pickedColor);
    }
}

bool CColorPopup::Conclude(PopupEnd how) {
    if (m_finished)
        return false;
    m_finished = true;
    QPointer<CColorPopup> self(this);
    if (how == PopupEnd::Cancel) {
        m_pickedColor = m_initialColor;
    } else if (m_hotIndex == OTHER_CELL) {
        // The grab would keep the dialog from getting any input, so the grid goes first.
        hide();
        QPointer<QColorDialog> dialog = new QColorDialog(ToQColor(m_initialColor), parentWidget());
        dialog->setOption(QColorDialog::DontUseNativeDialog);
        const int result = dialog->exec();
        const QColor chosen = dialog ? dialog->selectedColor() : QColor();
        delete dialog;
        if (!self)
            return false;
        m_pickedColor =
            result == QDialog::Accepted && chosen.isValid() ? FromQColor(chosen) : m_initialColor;
    }
    if (how == PopupEnd::Ok)
        Q_EMIT selectionEnded(m_pickedColor);
    else
        Q_EMIT selectionCancelled(m_pickedColor);
    return !self.isNull();
}

void CColorPopup::Finish(PopupEnd how) {
    if (Conclude(how))
        close();
}

bool CColorPopup::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(e);
        const int cell = m_layout.HitTest(help->pos());
        QRect r;
        if (cell >= 0 && m_layout.CellRect(cell, r))
            QToolTip::showText(help->globalPos(), ColorName(cell), this, r);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

void CColorPopup::mouseMoveEvent(QMouseEvent* e) {
    const int cell = m_layout.HitTest(e->position().toPoint());
    if (cell != NO_CELL && cell != m_hotIndex)
        Highlight(cell);
    QWidget::mouseMoveEvent(e);
}

void CColorPopup::mouseReleaseEvent(QMouseEvent* e) {
    QWidget::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton)
        return;
    Finish(rect().contains(e->position().toPoint()) ? PopupEnd::Ok : PopupEnd::Cancel);
}

void CColorPopup::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Down:
        Highlight(m_layout.Navigate(PopupKey::Down, m_hotIndex));
        break;
    case Qt::Key_Up:
        Highlight(m_layout.Navigate(PopupKey::Up, m_hotIndex));
        break;
    case Qt::Key_Right:
        Highlight(m_layout.Navigate(PopupKey::Right, m_hotIndex));
        break;
    case Qt::Key_Left:
        Highlight(m_layout.Navigate(PopupKey::Left, m_hotIndex));
        break;
    case Qt::Key_Escape:
        m_pickedColor = m_initialColor;
        Finish(PopupEnd::Cancel);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        Finish(PopupEnd::Ok);
        return;
    default:
        break;
    }
    QWidget::keyPressEvent(e);
}

void CColorPopup::closeEvent(QCloseEvent* e) {
    // Closed from outside: QWidget closes a popup on a press outside it, and the window system
    // may close it too. Either is a cancel.
    Conclude(PopupEnd::Cancel);
    QWidget::closeEvent(e);
}
