#pragma once

#include <array>
#include <optional>

// What the operator's hands are doing between one event and the next: a number being typed, a
// held press and what it took, a drag, the held step button's repeat, and whether the next
// throttled frame may go. A value, so a test or a replay can compare it whole.
class OperatorInput {
public:
    // Typed entry: up to three digits make the number; a fourth and beyond are counted only.
    void EnterDigit(int digit);
    void ClearTypedEntry();
    // Enter: the digits are done. The number, if digits were typed and it is a level; it stays
    // shown until the entry is cleared. A number above 255 is dropped at once.
    std::optional<int> EndTypedEntry();
    int TypedValue() const { return m_typedValue; }
    int DigitCount() const { return m_digitCount; }
    const std::array<int, 3>& TypedDigits() const { return m_typedDigits; }
    // A number is being typed (and blinks with the watchdog).
    bool Typing() const { return m_typedValue != 0; }

    // The pointer: a press held down, which channel it took, a drag, a held step button.
    void Press() { m_buttonHeld = true; }
    void BeginDrag() { m_dragActive = true; }
    void TakeChannel(int channel) { m_pressedChannel = channel; }
    void StartRepeat() { m_repeatActive = true; }
    // A dialog opened from a press: nothing may stay grabbed behind it.
    void LetGo();
    // The button is up: no hold, no drag, no repeat.
    void Release();
    bool ButtonHeld() const { return m_buttonHeld; }
    bool DragActive() const { return m_dragActive; }
    bool RepeatActive() const { return m_repeatActive; }
    int RepeatTicks() const { return m_repeatTicks; }
    int PressedChannel() const { return m_pressedChannel; }
    // Nothing held, dragged or repeating: the repeat tick has nothing to do.
    bool Idle() const { return !m_repeatActive && !m_buttonHeld && !m_dragActive; }
    // Counts one repeat tick; true when the held step button steps at it (after the delay).
    bool CountRepeatTick();

    // At most one throttled frame per repeat tick: a tick opens the way, a frame closes it.
    bool SendReady() const { return m_sendReady; }
    void OpenSend() { m_sendReady = true; }
    void Sent() { m_sendReady = false; }

    // The first double-click is dropped; later quick second clicks count as plain presses.
    // True for the one that is dropped.
    bool DropFirstDoubleClick();
    bool DoubleClicksAccepted() const { return m_doubleClicksAccepted; }

    // As at start-up: nothing typed, held, dragged or repeating.
    void Reset();

    bool operator==(const OperatorInput&) const = default;

private:
    int m_digitCount = 0;
    std::array<int, 3> m_typedDigits{};
    int m_typedValue = 0;
    bool m_buttonHeld = false;
    bool m_dragActive = false;
    bool m_repeatActive = false;
    int m_repeatTicks = 0;
    int m_pressedChannel = -1;
    bool m_sendReady = false;
    bool m_doubleClicksAccepted = true;
};
