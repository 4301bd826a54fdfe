#include "session/LineBudget.h"

#include <algorithm>

namespace {
// A timer tick may come this much early; its frames still count as the next tick's.
constexpr LineBudget::Clock kTickSlack = std::chrono::milliseconds(2);
} // namespace

void LineBudget::Sent(Clock now, std::optional<int> channel, bool allOff) {
    m_sent.push_back(now);
    while (!m_sent.empty() && m_sent.front() <= now - kWindow - kTick)
        m_sent.pop_front();
    if (allOff)
        m_allOffWaiting = false;
    if (channel)
        std::erase(m_waiting, *channel);
}

int LineBudget::SentWithin(Clock now, Clock span) const {
    return static_cast<int>(
        std::count_if(m_sent.begin(), m_sent.end(), [&](Clock at) { return at > now - span; }));
}

int LineBudget::Room(Clock now, Margin margin) const {
    const int inTick = SentWithin(now, kTick - kTickSlack);
    // A tick's frames may reach the device up to a tick late, behind a busy machine or an
    // adapter's buffer: counted over a tick more, no 100 ms of the device's own sees more than 24.
    // A fade keeps the plain window: it would otherwise fall behind its line.
    const int inWindow = SentWithin(now, margin == Margin::Tick ? kWindow + kTick : kWindow);
    return std::max(0, std::min(kFramesPerTick - inTick, kFramesPerWindow - inWindow));
}

void LineBudget::Want(int channel) {
    if (!IsChannel(channel) || Waiting(channel))
        return;
    m_waiting.push_back(channel);
}

void LineBudget::WantAllOff() {
    m_allOffWaiting = true;
}

bool LineBudget::Waiting(int channel) const {
    return std::find(m_waiting.begin(), m_waiting.end(), channel) != m_waiting.end();
}

std::vector<LineBudget::Item> LineBudget::Due(Clock now) const {
    std::vector<Item> due;
    int room = Room(now);
    if (m_allOffWaiting && room > 0) {
        due.push_back({true, 0});
        --room;
    }
    for (auto it = m_waiting.begin(); it != m_waiting.end() && room > 0; ++it, --room)
        due.push_back({false, *it});
    return due;
}

void LineBudget::Clear() {
    m_waiting.clear();
    m_allOffWaiting = false;
}
