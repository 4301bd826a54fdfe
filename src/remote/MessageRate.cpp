#include "remote/MessageRate.h"

#include <algorithm>

// A message costs 1000 units; the bucket refills perSecond units a millisecond.
MessageRate::MessageRate(int perSecond)
    : m_capacity(qint64(perSecond) * 1000), m_units(m_capacity) {}

bool MessageRate::Admit(qint64 nowMs) {
    if (m_lastMs >= 0 && nowMs > m_lastMs)
        m_units = std::min(m_capacity, m_units + (nowMs - m_lastMs) * (m_capacity / 1000));
    m_lastMs = std::max(m_lastMs, nowMs);
    if (m_units < 1000)
        return false;
    m_units -= 1000;
    return true;
}

bool MessageRate::NoticeDue(qint64 nowMs) {
    if (m_lastNoticeMs >= 0 && nowMs - m_lastNoticeMs < 1000)
        return false;
    m_lastNoticeMs = nowMs;
    return true;
}
