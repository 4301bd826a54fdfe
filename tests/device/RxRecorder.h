#pragma once

#include "Pty.h"
#include "device/CCom.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QThread>
#include <functional>

// The port's receiver in the tests: records every hand-over with the bytes as the handler got them.
class RxRecorder : public QObject {
public:
    struct Burst {
        quintptr count = 0;
        QByteArray buffer; // all six bytes of the burst
        bool onOwnThread = false;
    };

    explicit RxRecorder(CCom& com) : m_com(com) {}

    // Makes this the port's receiver.
    void Listen() {
        m_com.SetReceiver(this, {.burst = [this](const RxBurst& rx) { Record(rx); },
                                 .closed = [this] { ++closedNotices; }});
    }

    QList<Burst> bursts;
    // The watcher ended because the device went away.
    int closedNotices = 0;
    // Runs inside the handler, while the watcher waits for it.
    std::function<void(const Burst&)> onBurst;

private:
    void Record(const RxBurst& rx) {
        Burst burst;
        burst.count = rx.count;
        burst.buffer = QByteArray(reinterpret_cast<const char*>(rx.bytes.data()),
                                  static_cast<qsizetype>(rx.bytes.size()));
        burst.onOwnThread = QThread::currentThread() == thread();
        bursts.append(burst);
        if (onBurst)
            onBurst(burst);
    }

    CCom& m_com;
};

// A pty whose port is open in a CCom with the panel's line settings and a recorder as its owner.
struct RecordedPort {
    PtyPair pty;
    CCom com;
    RxRecorder rec{com};

    bool Open() {
        if (!pty.ok())
            return false;
        com.Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
        if (!com.Open())
            return false;
        rec.Listen();
        return true;
    }
};
