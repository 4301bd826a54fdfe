#pragma once

#include "ui/a11y/PanelAccessibleParts.h"

#include <QAccessibleWidget>

class CMorvixView;

// The panel as screen readers and automation see it: "1CH" .. "8CH" groups, each with its switch,
// + and − buttons and level slider, then the TX, RX and link lamps and the SETUP and EXIT buttons.
class PanelAccessible : public QAccessibleWidget {
public:
    explicit PanelAccessible(CMorvixView* view);

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    QAccessibleInterface* Group(int channel) const;
    QAccessibleInterface* Switch(int channel) const;
    QAccessibleInterface* StepButton(int channel, int step) const;
    QAccessibleInterface* Level(int channel) const;
    QAccessibleInterface* LampPart(PanelAccessibleParts::Lamp lamp) const;

private:
    AccessibleParts m_parts;
};

// Lets screen readers find the view's interface and tells them of every change the panel
// announces, whoever made it. Once per view.
void InstallPanelAccessibility(CMorvixView& view);
