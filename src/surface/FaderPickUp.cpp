#include "surface/FaderPickUp.h"

#include <cstdlib>

bool FaderPickUp::Read(int reading, int level) {
    const std::optional<int> last = m_lastReading;
    m_lastReading = reading;
    if (m_holding)
        return true;
    // A fast sweep jumps past the level between two readings: crossing counts as reaching it.
    const bool reached = std::abs(reading - level) <= kCatch;
    const bool crossed =
        last && ((*last < level && reading > level) || (*last > level && reading < level));
    m_holding = reached || crossed;
    return m_holding;
}

PickUpMark FaderPickUp::Mark(int level) const {
    if (m_holding || !m_lastReading || std::abs(*m_lastReading - level) <= kCatch)
        return PickUpMark::None;
    return *m_lastReading < level ? PickUpMark::Up : PickUpMark::Down;
}
