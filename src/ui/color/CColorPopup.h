#pragma once

#include "model/ColorRef.h"
#include "ui/color/ColorMessages.h"
#include "ui/color/ColorPopupLayout.h"

#include <QString>
#include <QWidget>

class QPainter;

// The grid of forty named colours with "Auto" and "Other" boxes that a CColorPicker drops
// below itself. It owns itself: it grabs pointer and keyboard while open, reports through its
// signals and deletes itself once closed.
class CColorPopup : public QWidget {
    Q_OBJECT
public:
    // Opens at `topLeft` (global) and shows at once. An empty caption means no such box.
    CColorPopup(QPoint topLeft, ColorRef initialColor, QWidget* owner, const QString& autoText,
                const QString& otherText);

    const ColorPopupLayout& cellLayout() const { return m_layout; }
    int hotIndex() const { return m_hotIndex; }
    int initialIndex() const { return m_initialIndex; }
    ColorRef initialColor() const { return m_initialColor; }
    ColorRef pickedColor() const { return m_pickedColor; }
    const QString& autoText() const { return m_autoText; }
    const QString& otherText() const { return m_otherText; }

    // Makes i the highlighted cell, repaints the old and new cell and reports the change.
    void Highlight(int i);
    // Ends the popup as `how` says and closes it.
    void Finish(PopupEnd how);

Q_SIGNALS:
    // Another cell is highlighted; the colour it stands for (Other: the colour at opening).
    void selectionChanged(ColorRef color);
    // The popup ended with a colour picked.
    void selectionEnded(ColorRef color);
    // The popup ended without a pick; the colour is the one it opened with.
    void selectionCancelled(ColorRef color);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // Settles pickedColor and signals the end; false if the popup is gone meanwhile.
    bool Conclude(PopupEnd how);
    void PaintCell(QPainter& p, int i) const;
    void PaintBoxText(QPainter& p, const QRect& r, const QString& text) const;

    ColorPopupLayout m_layout;
    int m_hotIndex = NO_CELL;
    int m_initialIndex = NO_CELL;
    QString m_autoText;
    QString m_otherText;
    ColorRef m_initialColor;
    ColorRef m_pickedColor;
    bool m_finished = false;
};
