#pragma once

#include "ui/color/CColorPicker.h"
#include "ui/color/CColorPopup.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTest>

// The colour widgets' signals in the order they arrive, each with its colour.
enum class ColorSignal { DropDown, CloseUp, SelectionChange, EndOk, EndCancel };

struct ColorNote {
    ColorSignal kind;
    ColorRef color;
    bool operator==(const ColorNote&) const = default;
};

class ColorSignalLog : public QObject {
public:
    explicit ColorSignalLog(CColorPicker* picker) {
        Listen(picker, &CColorPicker::dropDown, ColorSignal::DropDown);
        Listen(picker, &CColorPicker::closeUp, ColorSignal::CloseUp);
        Listen(picker, &CColorPicker::selectionChanged, ColorSignal::SelectionChange);
        Listen(picker, &CColorPicker::selectionEnded, ColorSignal::EndOk);
        Listen(picker, &CColorPicker::selectionCancelled, ColorSignal::EndCancel);
    }
    explicit ColorSignalLog(CColorPopup* popup) {
        Listen(popup, &CColorPopup::selectionChanged, ColorSignal::SelectionChange);
        Listen(popup, &CColorPopup::selectionEnded, ColorSignal::EndOk);
        Listen(popup, &CColorPopup::selectionCancelled, ColorSignal::EndCancel);
    }

    QList<ColorNote> notes;

private:
    template <typename Sender, typename Signal>
    void Listen(Sender* sender, Signal signal, ColorSignal kind) {
        connect(sender, signal, this, [this, kind](ColorRef color) {
            notes.append({kind, color});
        });
    }
};

namespace QTest {
template <> inline char* toString(const ColorNote& n) {
    return qstrdup(QByteArray::number(int(n.kind)) + " 0x" + QByteArray::number(n.color, 16));
}
} // namespace QTest
