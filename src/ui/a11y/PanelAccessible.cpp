#include "ui/a11y/PanelAccessible.h"

#include "ui/view/CMorvixView.h"

#include <QCoreApplication>
#include <QEvent>
#include <array>

using namespace PanelAccessibleParts;

namespace {

constexpr int kLampCount = 3;
constexpr int kGroupSwitch = 0;
constexpr int kGroupPlus = 1;
constexpr int kGroupMinus = 2;
constexpr int kGroupLevel = 3;

QAccessibleInterface* CreatePanelAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("CMorvixView") && object && object->isWidgetType())
        return new PanelAccessible(static_cast<CMorvixView*>(object));
    return nullptr;
}

void Announce(QAccessibleInterface* part, QAccessible::Event type) {
    QAccessibleEvent event(part, type);
    SendAccessibleEvent(event);
}

// Turns the controller's change signals, and the view taking the focus, into accessibility
// events.
class PanelAnnouncer : public QObject {
public:
    explicit PanelAnnouncer(CMorvixView& view) : QObject(&view), m_view(view) {
        PanelController& p = view.Panel();
        for (int c = 0; c < CHANNEL_COUNT; ++c)
            m_shown[c] = {p.Channels().On(c), p.Channels().Level(c)};
        m_link = p.Session().CurrentLinkState();
        DeviceSession& session = p.Session();
        connect(&session, &DeviceSession::ChannelChanged, this, &PanelAnnouncer::OnChannelChanged);
        connect(&session, &DeviceSession::SelectedChannelChanged, this,
                &PanelAnnouncer::OnSelectionChanged);
        connect(&session, &DeviceSession::LinkStateChanged, this, &PanelAnnouncer::OnLinkChanged);
        view.installEventFilter(this);
    }

protected:
    // The view announces its own focus first; the selected channel then takes it over.
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_view && event->type() == QEvent::FocusIn)
            OnSelectionChanged(m_view.Panel().Channels().Selected());
        return false;
    }

private:
    struct Shown {
        bool on = false;
        int level = 0;
    };

    PanelAccessible* Root() const {
        return dynamic_cast<PanelAccessible*>(QAccessible::queryAccessibleInterface(&m_view));
    }

    void OnChannelChanged(int channel, bool on, int level) {
        const Shown before = m_shown[channel];
        m_shown[channel] = {on, level};
        PanelAccessible* root = Root();
        if (!root)
            return;
        if (level != before.level) {
            QAccessibleValueChangeEvent event(root->Level(channel), level);
            SendAccessibleEvent(event);
        }
        if (on != before.on) {
            QAccessible::State checked;
            checked.checked = true;
            QAccessibleStateChangeEvent switchEvent(root->Switch(channel), checked);
            SendAccessibleEvent(switchEvent);
            Announce(root->Switch(channel), QAccessible::NameChanged);
            // The + and − buttons work only while the channel is on.
            QAccessible::State disabled;
            disabled.disabled = true;
            for (int step : {1, -1}) {
                QAccessibleStateChangeEvent buttonEvent(root->StepButton(channel, step), disabled);
                SendAccessibleEvent(buttonEvent);
            }
        }
    }

    void OnSelectionChanged(int channel) {
        if (!m_view.hasFocus())
            return;
        if (PanelAccessible* root = Root())
            Announce(root->Group(channel), QAccessible::Focus);
    }

    void OnLinkChanged(LinkState link) {
        const LinkState before = m_link;
        m_link = link;
        PanelAccessible* root = Root();
        if (!root)
            return;
        QAccessibleInterface* lamp = root->LampPart(Lamp::Link);
        QAccessible::State changed;
        changed.active = (before == LinkState::Answering) != (link == LinkState::Answering);
        changed.disabled = (before == LinkState::Closed) != (link == LinkState::Closed);
        if (changed.active || changed.disabled) {
            QAccessibleStateChangeEvent event(lamp, changed);
            SendAccessibleEvent(event);
        }
        Announce(lamp, QAccessible::DescriptionChanged);
    }

    CMorvixView& m_view;
    std::array<Shown, CHANNEL_COUNT> m_shown{};
    LinkState m_link = LinkState::Closed;
};

} // namespace

PanelAccessible::PanelAccessible(CMorvixView* view) : QAccessibleWidget(view, QAccessible::Pane) {
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        auto* group = new ChannelGroup(*view, this, c);
        group->AddChild(new ChannelSwitch(*view, group, c));
        group->AddChild(new PanelAccessibleParts::StepButton(*view, group, c, 1));
        group->AddChild(new PanelAccessibleParts::StepButton(*view, group, c, -1));
        group->AddChild(new ChannelLevel(*view, group, c));
        m_parts.Add(group);
    }
    for (Lamp lamp : {Lamp::Tx, Lamp::Rx, Lamp::Link})
        m_parts.Add(new LampIndicator(*view, this, lamp));
    m_parts.Add(new BarButton(*view, this, BarButton::Kind::Setup));
    m_parts.Add(new BarButton(*view, this, BarButton::Kind::Exit));
}

QString PanelAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return QCoreApplication::translate("PanelAccessible", "Control panel");
    return QAccessibleWidget::text(t);
}

int PanelAccessible::childCount() const {
    return m_parts.Count();
}

QAccessibleInterface* PanelAccessible::child(int index) const {
    return m_parts.At(index);
}

int PanelAccessible::indexOfChild(const QAccessibleInterface* child) const {
    return m_parts.IndexOf(child);
}

QAccessibleInterface* PanelAccessible::childAt(int x, int y) const {
    return m_parts.At(x, y);
}

QAccessibleInterface* PanelAccessible::focusChild() const {
    if (!widget()->hasFocus())
        return nullptr;
    return Group(static_cast<const CMorvixView*>(widget())->Panel().Channels().Selected());
}

QAccessibleInterface* PanelAccessible::Group(int channel) const {
    return m_parts.At(channel);
}

QAccessibleInterface* PanelAccessible::Switch(int channel) const {
    return Group(channel)->child(kGroupSwitch);
}

QAccessibleInterface* PanelAccessible::StepButton(int channel, int step) const {
    return Group(channel)->child(step > 0 ? kGroupPlus : kGroupMinus);
}

QAccessibleInterface* PanelAccessible::Level(int channel) const {
    return Group(channel)->child(kGroupLevel);
}

QAccessibleInterface* PanelAccessible::LampPart(Lamp lamp) const {
    static_assert(kLampCount == int(Lamp::Link) + 1);
    return m_parts.At(CHANNEL_COUNT + int(lamp));
}

void InstallPanelAccessibility(CMorvixView& view) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&CreatePanelAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    new PanelAnnouncer(view);
}
