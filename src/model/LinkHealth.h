#pragma once

#include "model/LinkState.h"

#include <QString>
#include <chrono>
#include <optional>

// What the link lamp's tooltip shows: plain figures, read by whoever reports on the link.
struct LinkHealth {
    LinkState state = LinkState::Closed;
    QString portPath;
    long framesSent = 0;
    long answersReceived = 0;
    // From a frame written to the next 'u'; none before the first answer.
    std::optional<double> lastRoundTripMs;
    std::optional<double> msSinceLastAnswer;
    // How long the adapter itself may hold an answer before passing it on (an FTDI adapter's
    // latency timer); none for a port without one.
    std::optional<int> adapterLatencyMs;
};

// Counts frames and answers and times the round trip. Times come from the caller so the logic can
// be driven with any clock.
class LinkCounters {
public:
    using Clock = std::chrono::steady_clock;

    // A frame left for the device whole.
    void FrameWritten(Clock::time_point at);
    // A read that starts with 'u': `answers` of them when several came close enough to be read
    // as one ("uu").
    void AnswerReceived(Clock::time_point at, int answers = 1);
    // A new opening: a frame written before it is answered by no one.
    void PortOpened();

    // Counts and times as at `now`; state and path are the caller's.
    LinkHealth Figures(Clock::time_point now) const;

private:
    long m_framesSent = 0;
    long m_answers = 0;
    // The oldest frame written since the last answer.
    std::optional<Clock::time_point> m_unansweredSince;
    std::optional<Clock::time_point> m_lastAnswer;
    std::optional<Clock::duration> m_lastRoundTrip;
};

// The tooltip: path, state, counts, round trip, the age of the last answer and the adapter's
// latency, one per line.
QString LinkHealthText(const LinkHealth& health);
