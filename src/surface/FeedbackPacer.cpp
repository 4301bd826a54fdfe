#include "surface/FeedbackPacer.h"

#include <algorithm>

void FeedbackPacer::Want(int slot, int value) {
    m_slots[std::size_t(slot)].pending = value;
}

void FeedbackPacer::Drop(int slot) {
    m_slots[std::size_t(slot)].pending.reset();
}

void FeedbackPacer::Touch(int slot, bool touched, Clock now) {
    Slot& s = m_slots[std::size_t(slot)];
    if (s.touched && !touched)
        s.releasedAt = now;
    s.touched = touched;
}

void FeedbackPacer::Sent(int slot, Clock now) {
    Slot& s = m_slots[std::size_t(slot)];
    s.pending.reset();
    s.lastSent = now;
}

void FeedbackPacer::Clear() {
    std::fill(m_slots.begin(), m_slots.end(), Slot{});
}

std::optional<FeedbackPacer::Clock> FeedbackPacer::EarliestFor(const Slot& s) const {
    if (!s.pending || s.touched)
        return std::nullopt;
    Clock earliest{0};
    if (s.lastSent)
        earliest = *s.lastSent + kInterval;
    if (s.releasedAt)
        earliest = std::max(earliest, *s.releasedAt + kTouchHold);
    return earliest;
}

std::vector<FeedbackPacer::Send> FeedbackPacer::Due(Clock now) {
    std::vector<Send> due;
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        Slot& s = m_slots[i];
        const auto earliest = EarliestFor(s);
        if (!earliest || *earliest > now)
            continue;
        due.push_back({int(i), *s.pending});
        s.pending.reset();
        s.lastSent = now;
        s.releasedAt.reset();
    }
    return due;
}

std::optional<FeedbackPacer::Clock> FeedbackPacer::NextDue() const {
    std::optional<Clock> next;
    for (const Slot& s : m_slots) {
        if (const auto earliest = EarliestFor(s); earliest && (!next || *earliest < *next))
            next = earliest;
    }
    return next;
}
