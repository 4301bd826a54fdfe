#pragma once

#include <chrono>
#include <optional>
#include <vector>

// The messages to the controller, one slot per control: the latest value wins, a control gets
// at most one message per kInterval, and a touched motor fader is left alone until kTouchHold
// after its release.
class FeedbackPacer {
public:
    using Clock = std::chrono::milliseconds;
    // 50 messages a second per control.
    static constexpr Clock kInterval{20};
    static constexpr Clock kTouchHold{250};

    struct Send {
        int slot;
        int value;
    };

    explicit FeedbackPacer(int slots = 0) : m_slots(std::size_t(slots)) {}

    void Want(int slot, int value);
    // The controller already shows what it sent: whatever waited for it is void.
    void Drop(int slot);
    void Touch(int slot, bool touched, Clock now);
    // A message went out now, past the pacing (the full state on connect).
    void Sent(int slot, Clock now);
    // Forgets every wait, touch and time (the controller went away).
    void Clear();

    // What may go now, marked as sent.
    std::vector<Send> Due(Clock now);
    // When something waiting may go next; nothing when nothing waits.
    std::optional<Clock> NextDue() const;
    bool Touched(int slot) const { return m_slots[std::size_t(slot)].touched; }

private:
    struct Slot {
        std::optional<int> pending;
        std::optional<Clock> lastSent;
        std::optional<Clock> releasedAt;
        bool touched = false;
    };
    std::optional<Clock> EarliestFor(const Slot& slot) const;

    std::vector<Slot> m_slots;
};
