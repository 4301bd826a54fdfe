#include "widgets/AccessibleElement.h"

#include <QWidget>
#include <QWindow>

namespace {
AccessibleEventTap g_tap = nullptr;
} // namespace

void SendAccessibleEvent(QAccessibleEvent& event) {
    if (g_tap)
        g_tap(&event);
    QAccessible::updateAccessibility(&event);
}

void SetAccessibleEventTap(AccessibleEventTap tap) {
    g_tap = tap;
}

QRect ScreenRect(const QWidget* widget, const QRect& local) {
    if (!widget)
        return {};
    return QRect(widget->mapToGlobal(local.topLeft()), local.size());
}

AccessibleElement::AccessibleElement(QWidget* widget, QAccessibleInterface* parent,
                                     QAccessible::Role role)
    : m_widget(widget), m_parent(parent), m_role(role) {}

QWindow* AccessibleElement::window() const {
    return m_widget ? m_widget->window()->windowHandle() : nullptr;
}

QAccessibleInterface* AccessibleElement::child(int index) const {
    if (index < 0 || index >= childCount())
        return nullptr;
    return m_children[std::size_t(index)];
}

int AccessibleElement::indexOfChild(const QAccessibleInterface* child) const {
    for (std::size_t i = 0; i < m_children.size(); ++i) {
        if (m_children[i] == child)
            return int(i);
    }
    return -1;
}

QAccessibleInterface* AccessibleElement::childAt(int x, int y) const {
    for (AccessibleElement* c : m_children) {
        if (c->rect().contains(x, y))
            return c;
    }
    return nullptr;
}

QString AccessibleElement::text(QAccessible::Text t) const {
    if (!m_widget)
        return {};
    switch (t) {
    case QAccessible::Name:
        return Name();
    case QAccessible::Description:
        return Description();
    default:
        return {};
    }
}

QRect AccessibleElement::rect() const {
    return ScreenRect(m_widget, LocalRect());
}

QAccessible::State AccessibleElement::state() const {
    QAccessible::State s;
    if (!m_widget || !m_widget->isVisible())
        s.invisible = true;
    if (!m_widget || !m_widget->isEnabled())
        s.disabled = true;
    return s;
}

void* AccessibleElement::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

AccessibleParts::~AccessibleParts() {
    // Elements whose ids the cache no longer knows are gone with it already.
    for (QAccessible::Id id : m_ids) {
        if (QAccessible::accessibleInterface(id))
            QAccessible::deleteAccessibleInterface(id);
    }
}

void AccessibleParts::Add(AccessibleElement* element) {
    m_top.push_back(element);
    std::vector<AccessibleElement*> pending{element};
    while (!pending.empty()) {
        AccessibleElement* e = pending.back();
        pending.pop_back();
        m_ids.push_back(QAccessible::registerAccessibleInterface(e));
        for (int i = 0; i < e->childCount(); ++i)
            pending.push_back(static_cast<AccessibleElement*>(e->child(i)));
    }
}

AccessibleElement* AccessibleParts::At(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_top[std::size_t(index)];
}

int AccessibleParts::IndexOf(const QAccessibleInterface* element) const {
    for (std::size_t i = 0; i < m_top.size(); ++i) {
        if (m_top[i] == element)
            return int(i);
    }
    return -1;
}

QAccessibleInterface* AccessibleParts::At(int x, int y) const {
    for (AccessibleElement* e : m_top) {
        if (e->rect().contains(x, y))
            return e;
    }
    return nullptr;
}
