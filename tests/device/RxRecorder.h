#pragma once

#include "Pty.h"
#include "device/CCom.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QThread>
#include <functional>

// The port's owner in the tests: records every hand-over with the buffer as the handler saw it.
class RxRecorder : public QObject {
public:
    struct Burst {
        quintptr count = 0;
        qintptr lParam = 0;
        QByteArray buffer; // all six bytes of m_rxBuffer
        bool onOwnThread = false;
    };

    explicit RxRecorder(CCom& com) : m_com(com) {}

    QList<Burst> bursts;
    // WM_COMM_CLOSED: the watcher ended because the device went away.
    int closedNotices = 0;
    // Runs inside the handler, while the watcher waits for it.
    std::function<void(const Burst&)> onBurst;

protected:
    bool event(QEvent* e) override {
        if (e->type() == WM_COMM_CLOSED) {
            ++closedNotices;
            return true;
        }
        if (e->type() != WM_COMM_RX)
            return QObject::event(e);
        const auto* rx = static_cast<CommRxEvent*>(e);
        Burst burst;
        burst.count = rx->wParam();
        burst.lParam = rx->lParam();
        burst.buffer = QByteArray(reinterpret_cast<const char*>(m_com.m_rxBuffer.data()),
                                  static_cast<qsizetype>(m_com.m_rxBuffer.size()));
        burst.onOwnThread = QThread::currentThread() == thread();
        bursts.append(burst);
        if (onBurst)
            onBurst(burst);
        return true;
    }

private:
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
        com.Configure(pty.slavePath(), 19200, 8, 0, 1);
        if (!com.Open())
            return false;
        com.SetOwner(&rec);
        return true;
    }
};
