#include "ui/a11y/ColorAccessible.h"

#include "ui/a11y/AccessibleElement.h"
#include "ui/color/CColorPicker.h"
#include "ui/color/CColorPopup.h"
#include "ui/color/ColorMessages.h"
#include "ui/color/ColorTable.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

namespace {

QString Rgb(ColorRef c) {
    return QCoreApplication::translate("ColorAccessible", "red %1, green %2, blue %3")
        .arg(RedOf(c))
        .arg(GreenOf(c))
        .arg(BlueOf(c));
}

// The colour button: named after its label, its colour as description. While dropped, its grid
// is its child, as a combo box holds its list: a popup window is no child of the application.
class PickerAccessible : public QAccessibleWidget {
public:
    explicit PickerAccessible(CColorPicker* picker)
        : QAccessibleWidget(picker, QAccessible::Button) {}

    CColorPicker* picker() const { return static_cast<CColorPicker*>(widget()); }

    CColorPopup* OpenPopup() const {
        auto* popup = picker()->findChild<CColorPopup*>(QString(), Qt::FindDirectChildrenOnly);
        return popup && popup->isVisible() ? popup : nullptr;
    }

    int childCount() const override { return OpenPopup() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        CColorPopup* popup = OpenPopup();
        return index == 0 && popup ? QAccessible::queryAccessibleInterface(popup) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* c) const override {
        return c && c == child(0) ? 0 : -1;
    }

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            if (!widget()->accessibleName().isEmpty())
                return widget()->accessibleName();
            return LabelTextFor(widget());
        case QAccessible::Description:
            return ColorDescription(picker()->PickedColor(), picker()->autoText());
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.hasPopup = true;
        s.pressed = picker()->dropped();
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == pressAction() && widget()->isEnabled())
            picker()->click();
        else
            QAccessibleWidget::doAction(action);
    }
};

// One box of the popup: a colour cell, or the Auto or Other box.
class PopupCell : public AccessibleElement {
public:
    PopupCell(CColorPopup* popup, QAccessibleInterface* parent, int cell)
        : AccessibleElement(popup, parent, QAccessible::ListItem), m_popup(popup), m_cell(cell) {}

    QAccessible::State state() const override {
        QAccessible::State s = AccessibleElement::state();
        s.selectable = true;
        s.focusable = true;
        if (isValid()) {
            s.selected = m_popup->hotIndex() == m_cell;
            s.focused = s.selected;
        }
        return s;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    // Picks the cell as a click on it does. The popup ends after the call has returned, as
    // Other opens the colour dialog.
    void doAction(const QString& action) override {
        if (action != pressAction() || !isValid())
            return;
        CColorPopup* popup = m_popup;
        const int cell = m_cell;
        QTimer::singleShot(0, popup, [popup, cell] {
            popup->Highlight(cell);
            popup->Finish(PopupEnd::Ok);
        });
    }

protected:
    QRect LocalRect() const override {
        const ColorPopupLayout& layout = m_popup->cellLayout();
        if (m_cell == AUTO_CELL)
            return layout.autoRect();
        if (m_cell == OTHER_CELL)
            return layout.otherRect();
        QRect r;
        layout.CellRect(m_cell, r);
        return r;
    }

    QString Name() const override {
        if (m_cell == AUTO_CELL)
            return m_popup->autoText();
        if (m_cell == OTHER_CELL)
            return m_popup->otherText();
        return ColorName(m_cell);
    }

    QString Description() const override {
        QString text;
        if (m_cell >= 0)
            text = Rgb(ColorTable[std::size_t(m_cell)].color);
        if (m_popup->initialIndex() == m_cell)
            text += text.isEmpty()
                        ? QCoreApplication::translate("ColorAccessible", "current colour")
                        : QCoreApplication::translate("ColorAccessible", ", current colour");
        return text;
    }

private:
    CColorPopup* m_popup;
    int m_cell;
};

// The popup as a list: Auto, the forty colours in grid order, Other.
class PopupAccessible : public QAccessibleWidget {
public:
    explicit PopupAccessible(CColorPopup* popup) : QAccessibleWidget(popup, QAccessible::List) {
        const ColorPopupLayout& layout = popup->cellLayout();
        if (layout.hasAuto())
            m_parts.Add(new PopupCell(popup, this, AUTO_CELL));
        for (int i = 0; i < layout.colorCount(); ++i)
            m_parts.Add(new PopupCell(popup, this, i));
        if (layout.hasOther())
            m_parts.Add(new PopupCell(popup, this, OTHER_CELL));
    }

    // Named after the button it drops from, so a screen reader says whose colour it sets.
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            QWidget* button = widget()->parentWidget();
            QAccessibleInterface* owner =
                button ? QAccessible::queryAccessibleInterface(button) : nullptr;
            return owner ? owner->text(QAccessible::Name) : QString();
        }
        return QAccessibleWidget::text(t);
    }

    QAccessibleInterface* parent() const override {
        if (QWidget* button = widget()->parentWidget())
            return QAccessible::queryAccessibleInterface(button);
        return QAccessibleWidget::parent();
    }

    int childCount() const override { return m_parts.Count(); }
    QAccessibleInterface* child(int index) const override { return m_parts.At(index); }
    int indexOfChild(const QAccessibleInterface* c) const override { return m_parts.IndexOf(c); }
    QAccessibleInterface* childAt(int x, int y) const override { return m_parts.At(x, y); }
    QAccessibleInterface* focusChild() const override { return HotChild(); }

    QAccessibleInterface* HotChild() const {
        const auto* popup = static_cast<const CColorPopup*>(widget());
        const ColorPopupLayout& layout = popup->cellLayout();
        const int hot = popup->hotIndex();
        if (hot == AUTO_CELL)
            return m_parts.At(0);
        if (hot == OTHER_CELL)
            return m_parts.At(m_parts.Count() - 1);
        if (hot >= 0 && hot < layout.colorCount())
            return m_parts.At(hot + (layout.hasAuto() ? 1 : 0));
        return nullptr;
    }

private:
    AccessibleParts m_parts;
};

QAccessibleInterface* CreateColorAccessible(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("CColorPicker"))
        return new PickerAccessible(static_cast<CColorPicker*>(object));
    if (className == QLatin1String("CColorPopup"))
        return new PopupAccessible(static_cast<CColorPopup*>(object));
    return nullptr;
}

QString StripLabel(QString text) {
    text.remove(QLatin1Char('&'));
    text = text.trimmed();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.trimmed();
}

} // namespace

QString ColorDescription(ColorRef color, const QString& autoText) {
    if (color == CLR_DEFAULT)
        return autoText;
    for (int cell = 0; cell < kColorCount; ++cell) {
        if (ColorTable[std::size_t(cell)].color == color)
            return ColorName(cell) + QStringLiteral(" (") + Rgb(color) + QLatin1Char(')');
    }
    return Rgb(color);
}

QString LabelTextFor(const QWidget* widget) {
    const QWidget* parent = widget->parentWidget();
    if (!parent)
        return {};
    const QList<QLabel*> labels = parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    for (const QLabel* label : labels) {
        if (label->buddy() == widget)
            return StripLabel(label->text());
    }
    // The nearest label ending left of the widget among those that share its line.
    const QRect g = widget->geometry();
    const QLabel* best = nullptr;
    for (const QLabel* label : labels) {
        const QRect l = label->geometry();
        const bool sameLine = l.top() <= g.bottom() && l.bottom() >= g.top();
        if (!sameLine || l.right() >= g.left())
            continue;
        if (!best || l.right() > best->geometry().right())
            best = label;
    }
    return best ? StripLabel(best->text()) : QString();
}

void InstallColorAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&CreateColorAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

void AnnouncePickerColor(CColorPicker* picker) {
    QAccessibleEvent event(picker, QAccessible::DescriptionChanged);
    SendAccessibleEvent(event);
}

void AnnouncePopupFocus(CColorPopup* popup) {
    auto* root = dynamic_cast<PopupAccessible*>(QAccessible::queryAccessibleInterface(popup));
    if (!root)
        return;
    QAccessibleInterface* hot = root->HotChild();
    // Nothing is highlighted on opening: the grid itself takes the focus.
    QAccessibleEvent focus(hot ? hot : root, QAccessible::Focus);
    SendAccessibleEvent(focus);
    if (!hot)
        return;
    QAccessibleEvent selection(hot, QAccessible::Selection);
    SendAccessibleEvent(selection);
}
