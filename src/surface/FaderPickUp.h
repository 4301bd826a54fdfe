#pragma once

#include "model/PickUpMarks.h"

#include <optional>

// Soft takeover for one fader without a motor: the fader takes its channel only once it reaches
// the channel's level (within kCatch) or crosses it between two readings, so a fader left
// elsewhere does not make the level jump. Levels 0..255 on both sides.
class FaderPickUp {
public:
    static constexpr int kCatch = 2;

    // A reading from the fader against the channel's level now: true when the fader holds the
    // channel and the reading should be applied.
    bool Read(int reading, int level);
    // The channel's level changed from anywhere but this fader: it must be caught again.
    void Release() { m_holding = false; }
    void Hold() { m_holding = true; }
    // Forgets where the fader was (a new controller, another profile).
    void Forget() {
        m_holding = false;
        m_lastReading.reset();
    }
    bool Holding() const { return m_holding; }
    // Which way to move the fader to reach `level`; None while it holds the channel, is within
    // reach, or has not been read yet.
    PickUpMark Mark(int level) const;

private:
    bool m_holding = false;
    std::optional<int> m_lastReading;
};
