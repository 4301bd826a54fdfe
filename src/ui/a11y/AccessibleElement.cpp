#include "ui/a11y/AccessibleElement.h"

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

AccessibleElement* AccessibleElementList::At(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_elements[std::size_t(index)];
}

int AccessibleElementList::IndexOf(const QAccessibleInterface* element) const {
    for (std::size_t i = 0; i < m_elements.size(); ++i) {
        if (m_elements[i] == element)
            return int(i);
    }
    return -1;
}

AccessibleElement* AccessibleElementList::At(int x, int y) const {
    for (AccessibleElement* e : m_elements) {
        if (e->rect().contains(x, y))
            return e;
    }
    return nullptr;
}

QWindow* AccessibleElement::window() const {
    return m_widget ? m_widget->window()->windowHandle() : nullptr;
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
    m_elements.push_back(element);
    std::vector<AccessibleElement*> pending{element};
    while (!pending.empty()) {
        AccessibleElement* e = pending.back();
        pending.pop_back();
        m_ids.push_back(QAccessible::registerAccessibleInterface(e));
        for (int i = 0; i < e->childCount(); ++i)
            pending.push_back(static_cast<AccessibleElement*>(e->child(i)));
    }
}
