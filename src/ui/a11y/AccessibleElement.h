#pragma once

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleWidget>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <vector>

class QWidget;
class AccessibleElement;

// Parts in the order a screen reader walks them; holds, does not own.
class AccessibleElementList {
public:
    int Count() const { return int(m_elements.size()); }
    AccessibleElement* At(int index) const;
    int IndexOf(const QAccessibleInterface* element) const;
    // The part whose screen rectangle holds the point, or none.
    AccessibleElement* At(int x, int y) const;

protected:
    std::vector<AccessibleElement*> m_elements;
    friend class AccessibleElement;
};

// A painted part of a widget, seen by screen readers as an object of its own: the parts have no
// QObject, so the widget's interface owns them (AccessibleParts) and they live as long as it.
class AccessibleElement : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    AccessibleElement(QWidget* widget, QAccessibleInterface* parent, QAccessible::Role role);

    bool isValid() const override { return !m_widget.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override { return m_parent; }
    QAccessibleInterface* child(int index) const override { return m_children.At(index); }
    int childCount() const override { return m_children.Count(); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return m_children.IndexOf(child);
    }
    QAccessibleInterface* childAt(int x, int y) const override { return m_children.At(x, y); }
    QAccessible::Role role() const override { return m_role; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override { return {}; }
    void doAction(const QString&) override {}
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    void AddChild(AccessibleElement* child) { m_children.m_elements.push_back(child); }

protected:
    QWidget* widget() const { return m_widget.data(); }
    // In the widget's own coordinates.
    virtual QRect LocalRect() const = 0;
    virtual QString Name() const = 0;
    virtual QString Description() const { return {}; }

private:
    QPointer<QWidget> m_widget;
    QAccessibleInterface* m_parent;
    QAccessible::Role m_role;
    AccessibleElementList m_children;
};

// The top-level parts of a widget's interface: registered with Qt's cache so they keep one id,
// and deleted with the widget's interface.
class AccessibleParts : public AccessibleElementList {
public:
    AccessibleParts() = default;
    ~AccessibleParts();
    AccessibleParts(const AccessibleParts&) = delete;
    AccessibleParts& operator=(const AccessibleParts&) = delete;

    // Takes the element (and, through it, its children).
    void Add(AccessibleElement* element);

private:
    std::vector<QAccessible::Id> m_ids;
};

// The screen point of a widget-local rectangle.
QRect ScreenRect(const QWidget* widget, const QRect& local);

// Tells screen readers of a change. Qt passes events on only while a screen reader is active;
// a tap sees every event this program sends, with or without one (tests run without).
void SendAccessibleEvent(QAccessibleEvent& event);
using AccessibleEventTap = void (*)(QAccessibleEvent* event);
void SetAccessibleEventTap(AccessibleEventTap tap);
