#include "panel/KeyMap.h"

int VirtualKeyFor(int qtKey, Qt::KeyboardModifiers modifiers) {
    using namespace VirtualKey;
    if (modifiers & Qt::AltModifier)
        return kNone;
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        const int digit = qtKey - Qt::Key_0;
        return (modifiers & Qt::KeypadModifier) ? kNumpad0 + digit : kDigit0 + digit;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return kLetterA + (qtKey - Qt::Key_A);
    switch (qtKey) {
    case Qt::Key_Left:
        return kLeft;
    case Qt::Key_Right:
        return kRight;
    case Qt::Key_Up:
        return kUp;
    case Qt::Key_Down:
        return kDown;
    case Qt::Key_Space:
        return kSpace;
    // Shift+Tab is still the Tab key.
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return kTab;
    case Qt::Key_Escape:
        return kEscape;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kReturn;
    case Qt::Key_Backspace:
        return kBack;
    case Qt::Key_Home:
        return kHome;
    case Qt::Key_End:
        return kEnd;
    case Qt::Key_PageUp:
        return kPrior;
    case Qt::Key_PageDown:
        return kNext;
    case Qt::Key_Insert:
        return kInsert;
    case Qt::Key_Delete:
        return kDelete;
    default:
        return kNone;
    }
}
