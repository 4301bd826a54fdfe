#pragma once

#include "model/ColorRef.h"
#include "ui/color/ColorMessages.h"

#include <QPushButton>
#include <QString>

// A push button showing a colour swatch with a drop-down arrow. A click drops a CColorPopup
// below it; the chosen colour becomes the button's colour. Every notification is a signal sent
// synchronously, in the order the popup's life gives them.
class CColorPicker : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(int controlId READ ControlId WRITE SetControlId)
    Q_PROPERTY(ColorRef fillColor READ FillColor WRITE SetFillColor)
    Q_PROPERTY(ColorRef labelColor READ LabelColor WRITE SetLabelColor)
public:
    explicit CColorPicker(QWidget* parent = nullptr);
    CColorPicker(int controlId, QWidget* parent);

    int ControlId() const { return m_controlId; }
    void SetControlId(int id) { m_controlId = id; }

    void SetFillColor(ColorRef c);
    ColorRef FillColor() const { return m_fillColor; }
    void SetLabelColor(ColorRef c);
    ColorRef LabelColor() const { return m_labelColor; }
    // The colour the popup sets: the label colour for PICK_LABEL, else the fill colour.
    ColorRef PickedColor() const;
    void SetPickedColor(ColorRef c);

    bool dropped() const { return m_dropped; }
    bool liveTracking() const { return m_liveTracking; }
    void SetLiveTracking(bool on) { m_liveTracking = on; }
    int pickTarget() const { return m_pickTarget; }
    void SetPickTarget(int target) { m_pickTarget = target; }
    QString autoText() const { return m_autoText; }
    void SetAutoText(const QString& text) { m_autoText = text; }
    QString otherText() const { return m_otherText; }
    void SetOtherText(const QString& text) { m_otherText = text; }
    QRect arrowRect() const { return m_arrowRect; }

    // Fixes the height and minimum width from the style's edge and scroll-thumb metrics.
    void FitSize();
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The popup opened, showing the colour marked.
    void dropDown(ColorRef color);
    // The popup closed; the button already shows the colour (sent before the end signal).
    void closeUp(ColorRef color);
    // Another cell is highlighted in the popup.
    void selectionChanged(ColorRef color);
    // The popup ended with the colour picked.
    void selectionEnded(ColorRef color);
    // The popup ended without a pick; the colour is the one it opened with.
    void selectionCancelled(ColorRef color);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void Open();
    void OnPopupSelection(ColorRef color);
    void OnPopupEnd(PopupEnd how, ColorRef color);

    int m_controlId = 0;
    bool m_dropped = false;
    bool m_liveTracking = false;
    ColorRef m_fillColor;
    ColorRef m_labelColor;
    int m_pickTarget = PICK_FILL;
    QRect m_arrowRect;
    QString m_autoText = tr("Auto");
    QString m_otherText = tr("Other");
};
