#include "panel/OperatorInput.h"

#include "model/Channels.h"

namespace {
// Ticks of 20 ms a step button is held before it starts to repeat.
constexpr int kRepeatDelayTicks = 20;
} // namespace

void OperatorInput::EnterDigit(int digit) {
    auto& d = m_typedDigits;
    switch (++m_digitCount) {
    case 1:
        d[0] = digit;
        m_typedValue = digit;
        break;
    case 2:
        d[1] = digit;
        m_typedValue = 10 * d[0] + digit;
        break;
    case 3:
        d[2] = digit;
        m_typedValue = 100 * d[0] + 10 * d[1] + digit;
        break;
    default:
        break;
    }
}

void OperatorInput::ClearTypedEntry() {
    m_digitCount = 0;
    m_typedValue = 0;
}

std::optional<int> OperatorInput::EndTypedEntry() {
    if (m_digitCount == 0)
        return std::nullopt;
    m_digitCount = 0;
    if (m_typedValue > kMaxLevel) {
        m_typedValue = 0;
        return std::nullopt;
    }
    return m_typedValue;
}

void OperatorInput::LetGo() {
    m_dragActive = false;
    m_buttonHeld = false;
}

void OperatorInput::Release() {
    m_buttonHeld = false;
    m_dragActive = false;
    m_repeatActive = false;
    m_repeatTicks = 0;
}

bool OperatorInput::CountRepeatTick() {
    if (!m_repeatActive)
        return false;
    return m_repeatTicks++ > kRepeatDelayTicks;
}

bool OperatorInput::DropFirstDoubleClick() {
    if (!m_doubleClicksAccepted)
        return false;
    m_doubleClicksAccepted = false;
    return true;
}

void OperatorInput::Reset() {
    Release();
    ClearTypedEntry();
    m_typedDigits = {};
}
