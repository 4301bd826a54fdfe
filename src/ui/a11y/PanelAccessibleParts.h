#pragma once

#include "model/Channels.h"
#include "ui/a11y/AccessibleElement.h"

#include <QAccessibleValueInterface>

class CMorvixView;
class PanelController;

// The painted panel's parts as screen readers see them. Every action goes through the
// controller's entry points, so it changes the model and sends the frame as the keys do.
namespace PanelAccessibleParts {

// The bottom bar's lamps, in the order they are painted.
enum class Lamp { Tx, Rx, Link };

// What the lamp shows, in words: "TX: frame sent", "link: no answer", "port closed", ...
QString LampDescription(const PanelController& panel, Lamp lamp);

class Part : public AccessibleElement {
public:
    Part(CMorvixView& view, QAccessibleInterface* parent, QAccessible::Role role);

protected:
    PanelController& panel() const;

private:
    CMorvixView& m_view;
};

// "1CH" .. "8CH": the row, holding the switch, the level and the + and - buttons.
class ChannelGroup : public Part {
public:
    ChannelGroup(CMorvixView& view, QAccessibleInterface* parent, int channel);
    QAccessible::State state() const override;

protected:
    QRect LocalRect() const override;
    QString Name() const override;

private:
    int m_channel;
};

// The switch box: a check box named by what it shows, "ON" or "OFF".
class ChannelSwitch : public Part {
public:
    ChannelSwitch(CMorvixView& view, QAccessibleInterface* parent, int channel);
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& action) override;

protected:
    QRect LocalRect() const override;
    QString Name() const override;

private:
    int m_channel;
};

// The level slider, kMinLevel..kMaxLevel.
class ChannelLevel : public Part, public QAccessibleValueInterface {
public:
    ChannelLevel(CMorvixView& view, QAccessibleInterface* parent, int channel);
    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;
    QStringList actionNames() const override;
    void doAction(const QString& action) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override { return kMaxLevel; }
    QVariant minimumValue() const override { return kMinLevel; }
    QVariant minimumStepSize() const override { return 1; }

protected:
    QRect LocalRect() const override;
    QString Name() const override;

private:
    int m_channel;
};

// The + (step 1) or − (step -1) button; like the pointer, it acts only while the channel is on.
class StepButton : public Part {
public:
    StepButton(CMorvixView& view, QAccessibleInterface* parent, int channel, int step);
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& action) override;

protected:
    QRect LocalRect() const override;
    QString Name() const override;

private:
    int m_channel;
    int m_step;
};

// SETUP or EXIT. The dialog they open runs after the action returns, so no caller waits on it.
class BarButton : public Part {
public:
    enum class Kind { Setup, Exit };
    BarButton(CMorvixView& view, QAccessibleInterface* parent, Kind kind);
    QStringList actionNames() const override;
    void doAction(const QString& action) override;

protected:
    QRect LocalRect() const override;
    QString Name() const override;

private:
    Kind m_kind;
};

// TX, RX or link: a status indicator whose description says its state. Its role is the status
// bar's, which screen readers read on demand, as the web's "status" role is read.
class LampIndicator : public Part {
public:
    LampIndicator(CMorvixView& view, QAccessibleInterface* parent, Lamp lamp);
    QAccessible::State state() const override;

protected:
    QRect LocalRect() const override;
    QString Name() const override;
    QString Description() const override;

private:
    Lamp m_lamp;
};

} // namespace PanelAccessibleParts
