#pragma once

#include "remote/RemoteProtocol.h"

#include <QtGlobal>

// At most kMaxMessagesPerSecond a client, as a bucket that refills evenly: a burst of that many
// passes, after it one message every 1000/kMaxMessagesPerSecond ms. What does not fit is dropped,
// never queued, and the page hears of it at most once a second.
class MessageRate {
public:
    explicit MessageRate(int perSecond = RemoteProtocol::kMaxMessagesPerSecond);
    // True when the message may be handled.
    bool Admit(qint64 nowMs);
    // After a drop: true when the page should be told, at most once a second.
    bool NoticeDue(qint64 nowMs);

private:
    qint64 m_capacity;
    qint64 m_units;
    qint64 m_lastMs = -1;
    qint64 m_lastNoticeMs = -1;
};
