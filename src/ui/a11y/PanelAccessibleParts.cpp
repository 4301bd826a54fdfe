#include "ui/a11y/PanelAccessibleParts.h"

#include "model/PanelLayout.h"
#include "ui/view/CMorvixView.h"
#include "ui/view/PanelElements.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

namespace PanelAccessibleParts {

namespace {

QString PressAction() {
    return QAccessibleActionInterface::pressAction();
}

} // namespace

QString LampDescription(const PanelController& panel, Lamp lamp) {
    switch (lamp) {
    case Lamp::Tx:
        return panel.Session().Link().Supervision().txFlag
                   ? QCoreApplication::translate("PanelAccessible", "TX: frame sent")
                   : QCoreApplication::translate("PanelAccessible", "TX: idle");
    case Lamp::Rx:
        return panel.Session().Link().Supervision().rxFlag
                   ? QCoreApplication::translate("PanelAccessible", "RX: answer received")
                   : QCoreApplication::translate("PanelAccessible", "RX: idle");
    case Lamp::Link:
        break;
    }
    const LinkState link = panel.Session().CurrentLinkState();
    if (link == LinkState::Closed)
        return QCoreApplication::translate("PanelAccessible", "port closed");
    return QCoreApplication::translate("PanelAccessible", "link: ") +
           QLatin1String(LinkStateName(link));
}

Part::Part(CMorvixView& view, QAccessibleInterface* parent, QAccessible::Role role)
    : AccessibleElement(&view, parent, role), m_view(view) {}

PanelController& Part::panel() const {
    return m_view.Panel();
}

ChannelGroup::ChannelGroup(CMorvixView& view, QAccessibleInterface* parent, int channel)
    : Part(view, parent, QAccessible::Grouping), m_channel(channel) {}

// The selected channel is where the keys act: it holds the focus while the panel has it.
QAccessible::State ChannelGroup::state() const {
    QAccessible::State s = Part::state();
    s.focusable = true;
    if (isValid())
        s.focused = panel().Channels().Selected() == m_channel && widget()->hasFocus();
    return s;
}

QRect ChannelGroup::LocalRect() const {
    return PanelLayout::RowBand(m_channel);
}

QString ChannelGroup::Name() const {
    return QCoreApplication::translate("PanelAccessible", "%1CH").arg(m_channel + 1);
}

ChannelSwitch::ChannelSwitch(CMorvixView& view, QAccessibleInterface* parent, int channel)
    : Part(view, parent, QAccessible::CheckBox), m_channel(channel) {}

QAccessible::State ChannelSwitch::state() const {
    QAccessible::State s = Part::state();
    s.checkable = true;
    s.checked = isValid() && panel().Channels().On(m_channel);
    return s;
}

QStringList ChannelSwitch::actionNames() const {
    return {toggleAction()};
}

void ChannelSwitch::doAction(const QString& action) {
    if (action == toggleAction() && isValid())
        panel().ToggleChannel(m_channel);
}

QRect ChannelSwitch::LocalRect() const {
    return PanelElements::SwitchBoxRect(m_channel);
}

QString ChannelSwitch::Name() const {
    return panel().Channels().On(m_channel) ? QCoreApplication::translate("PanelAccessible", "ON")
                                            : QCoreApplication::translate("PanelAccessible", "OFF");
}

ChannelLevel::ChannelLevel(CMorvixView& view, QAccessibleInterface* parent, int channel)
    : Part(view, parent, QAccessible::Slider), m_channel(channel) {}

QString ChannelLevel::text(QAccessible::Text t) const {
    if (t == QAccessible::Value && isValid())
        return QString::number(panel().Channels().Level(m_channel));
    return Part::text(t);
}

void* ChannelLevel::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return Part::interface_cast(type);
}

QStringList ChannelLevel::actionNames() const {
    return {increaseAction(), decreaseAction()};
}

void ChannelLevel::doAction(const QString& action) {
    if (!isValid())
        return;
    if (action == increaseAction())
        panel().StepChannel(m_channel, 1);
    else if (action == decreaseAction())
        panel().StepChannel(m_channel, -1);
}

QVariant ChannelLevel::currentValue() const {
    return isValid() ? panel().Channels().Level(m_channel) : 0;
}

void ChannelLevel::setCurrentValue(const QVariant& value) {
    bool ok = false;
    const int level = value.toInt(&ok);
    if (ok && isValid())
        panel().SetChannelLevel(m_channel, level);
}

QRect ChannelLevel::LocalRect() const {
    return PanelElements::SliderArea(m_channel);
}

QString ChannelLevel::Name() const {
    return QCoreApplication::translate("PanelAccessible", "level");
}

StepButton::StepButton(CMorvixView& view, QAccessibleInterface* parent, int channel, int step)
    : Part(view, parent, QAccessible::Button), m_channel(channel), m_step(step) {}

QAccessible::State StepButton::state() const {
    QAccessible::State s = Part::state();
    if (!isValid() || !panel().Channels().On(m_channel))
        s.disabled = true;
    return s;
}

QStringList StepButton::actionNames() const {
    return {PressAction()};
}

void StepButton::doAction(const QString& action) {
    if (action == PressAction() && isValid())
        panel().PressStepButton(m_channel, m_step);
}

QRect StepButton::LocalRect() const {
    return m_step > 0 ? PanelLayout::PlusButton(m_channel) : PanelLayout::MinusButton(m_channel);
}

QString StepButton::Name() const {
    return m_step > 0 ? QStringLiteral("+") : QStringLiteral("\u2212");
}

BarButton::BarButton(CMorvixView& view, QAccessibleInterface* parent, Kind kind)
    : Part(view, parent, QAccessible::Button), m_kind(kind) {}

QStringList BarButton::actionNames() const {
    return {PressAction()};
}

void BarButton::doAction(const QString& action) {
    if (action != PressAction() || !isValid())
        return;
    PanelController* p = &panel();
    const Kind kind = m_kind;
    QTimer::singleShot(0, p, [p, kind] {
        // The pointer cannot reach the panel past an open dialog; nor may a screen reader
        // open a second one (or the same one again) from under it.
        if (QApplication::activeModalWidget())
            return;
        if (kind == Kind::Setup)
            p->RunSetup();
        else
            p->ExitProgram();
    });
}

QRect BarButton::LocalRect() const {
    return m_kind == Kind::Setup ? PanelElements::SetupButtonRect()
                                 : PanelElements::ExitButtonRect();
}

QString BarButton::Name() const {
    return m_kind == Kind::Setup ? QCoreApplication::translate("PanelAccessible", "SETUP")
                                 : QCoreApplication::translate("PanelAccessible", "EXIT");
}

LampIndicator::LampIndicator(CMorvixView& view, QAccessibleInterface* parent, Lamp lamp)
    : Part(view, parent, QAccessible::StatusBar), m_lamp(lamp) {}

// Lit lamps are active; the link lamp is unavailable while the port is closed.
QAccessible::State LampIndicator::state() const {
    QAccessible::State s = Part::state();
    if (!isValid())
        return s;
    const PanelController& p = panel();
    switch (m_lamp) {
    case Lamp::Tx:
        s.active = p.Session().Link().Supervision().txFlag != 0;
        break;
    case Lamp::Rx:
        s.active = p.Session().Link().Supervision().rxFlag != 0;
        break;
    case Lamp::Link:
        s.active = p.Session().CurrentLinkState() == LinkState::Answering;
        s.disabled = s.disabled || !p.Session().PortOpen();
        break;
    }
    return s;
}

QRect LampIndicator::LocalRect() const {
    return PanelLayout::LampFrame(int(m_lamp));
}

QString LampIndicator::Name() const {
    switch (m_lamp) {
    case Lamp::Tx:
        return QCoreApplication::translate("PanelAccessible", "TX");
    case Lamp::Rx:
        return QCoreApplication::translate("PanelAccessible", "RX");
    case Lamp::Link:
        break;
    }
    return QCoreApplication::translate("PanelAccessible", "link");
}

QString LampIndicator::Description() const {
    return LampDescription(panel(), m_lamp);
}

} // namespace PanelAccessibleParts
