#include "device/CCom.h"
#include "device/CommWatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <cerrno>
#include <poll.h>

unsigned CCom::CommWatchProc() {
    Watcher& w = *m_watcher;
    const int fd = m_hComm;
    const int wake = m_wakeFd;

    // The burst last handed over; its handler must have looked at it before the next read.
    std::uint64_t handed = 0;
    while (m_bConnected.load()) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            // Without its wait the watcher would receive nothing ever again.
            m_bConnected = false;
            PostMessageFromWatcher(QCoreApplication::translate("CCom", "CommWatchProc Exit 3nd if"),
                                   QStringLiteral("Morvix"));
            PostClosedFromWatcher();
            return 0;
        }
        if (fds[1].revents != 0 || !m_bConnected.load())
            break;
        // The acknowledgement is waited for here, once there is something to read, and not right
        // after the hand-over: the handler has almost always long finished by the next answer,
        // so an idle link does not wake the watcher once more for each burst.
        if (handed != 0) {
            std::unique_lock lock(w.mutex);
            w.handedOver.wait(lock, [&] { return w.stop || w.acked == handed; });
            if (w.stop)
                break;
        }

        std::uint32_t total = 0;
        while (m_bConnected.load()) {
            const std::uint32_t n = Read();
            if (n == 0)
                break;
            total += n;
        }
        if (total == 0) {
            if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
                // The device is gone (adapter pulled, pty master closed): poll would report it for
                // ever, so stop here and let the link show it.
                m_bConnected = false;
                PostClosedFromWatcher();
                break;
            }
            continue;
        }

        std::unique_lock lock(w.mutex);
        if (w.stop)
            break;
        const std::uint64_t id = ++w.burst;
        lock.unlock();
        const RxBurst burst{m_rxBuffer, total};
        QMetaObject::invokeMethod(
            &w.relay, [this, id, burst] { DeliverBurst(id, burst); }, Qt::QueuedConnection);
        handed = id;
    }
    return 1;
}

void CCom::DeliverBurst(std::uint64_t id, const RxBurst& burst) {
    Watcher& w = *m_watcher;
    {
        std::lock_guard lock(w.mutex);
        if (w.stop || w.burst != id)
            return;
    }
    if (m_hOwner && m_receiver.burst) {
        const QPointer<QObject> alive(&w.relay);
        // A copy: the handler may replace the receiver or close the port.
        const auto handler = m_receiver.burst;
        handler(burst);
        if (!alive)
            return; // the handler destroyed this port
    }
    {
        std::lock_guard lock(w.mutex);
        if (w.burst == id)
            w.acked = id;
    }
    w.handedOver.notify_all();
}

void CCom::PostMessageFromWatcher(const QString& text, const QString& caption) {
    QMetaObject::invokeMethod(
        &m_watcher->relay,
        [this, text, caption] {
            DeliverMessage({text, caption});
        },
        Qt::QueuedConnection);
}

void CCom::PostClosedFromWatcher() {
    std::uint64_t id = 0;
    {
        std::lock_guard lock(m_watcher->mutex);
        if (m_watcher->stop)
            return;
        id = m_watcher->burst;
    }
    QMetaObject::invokeMethod(
        &m_watcher->relay, [this, id] { DeliverClosed(id); }, Qt::QueuedConnection);
}

void CCom::DeliverClosed(std::uint64_t id) {
    {
        // A Close or a new opening since then: that one's owner needs no word of this.
        std::lock_guard lock(m_watcher->mutex);
        if (m_watcher->stop || m_watcher->burst != id)
            return;
    }
    // The device is gone: its descriptor goes now, so the kernel can give the device its old
    // number back when it returns, instead of the next one.
    Close();
    if (m_hOwner && m_receiver.closed) {
        const auto handler = m_receiver.closed;
        handler();
    }
}
