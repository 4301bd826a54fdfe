#include "model/LinkHealth.h"

#include <QStringList>

namespace {

double Milliseconds(LinkCounters::Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

QString Age(double ms) {
    if (ms < 1000.0)
        return QStringLiteral("%1 ms ago").arg(qRound(ms));
    if (ms < 120'000.0)
        return QStringLiteral("%1 s ago").arg(ms / 1000.0, 0, 'f', 1);
    return QStringLiteral("%1 min ago").arg(qRound(ms / 60'000.0));
}

} // namespace

void LinkCounters::FrameWritten(Clock::time_point at) {
    ++m_framesSent;
    if (!m_unansweredSince)
        m_unansweredSince = at;
}

void LinkCounters::AnswerReceived(Clock::time_point at, int answers) {
    m_answers += answers;
    m_lastAnswer = at;
    // An answer nothing asked for (noise, a late second 'u') times nothing.
    if (m_unansweredSince) {
        m_lastRoundTrip = at - *m_unansweredSince;
        m_unansweredSince.reset();
    }
}

void LinkCounters::PortOpened() {
    m_unansweredSince.reset();
}

LinkHealth LinkCounters::Figures(Clock::time_point now) const {
    LinkHealth health;
    health.framesSent = m_framesSent;
    health.answersReceived = m_answers;
    if (m_lastRoundTrip)
        health.lastRoundTripMs = Milliseconds(*m_lastRoundTrip);
    if (m_lastAnswer)
        health.msSinceLastAnswer = Milliseconds(now - *m_lastAnswer);
    return health;
}

QString LinkHealthText(const LinkHealth& health) {
    QStringList lines;
    lines << (health.portPath.isEmpty() ? QStringLiteral("No port chosen") : health.portPath);
    lines << QStringLiteral("Link: %1").arg(QLatin1String(LinkStateName(health.state)));
    lines << QStringLiteral("Frames sent: %1").arg(health.framesSent);
    lines << QStringLiteral("Answers received: %1").arg(health.answersReceived);
    if (health.lastRoundTripMs)
        lines << QStringLiteral("Last round trip: %1 ms").arg(*health.lastRoundTripMs, 0, 'f', 1);
    lines << QStringLiteral("Last answer: %1")
                 .arg(health.msSinceLastAnswer ? Age(*health.msSinceLastAnswer)
                                               : QStringLiteral("no answer yet"));
    if (health.adapterLatencyMs)
        lines << QStringLiteral("Adapter latency: %1 ms").arg(*health.adapterLatencyMs);
    return lines.join(u'\n');
}
