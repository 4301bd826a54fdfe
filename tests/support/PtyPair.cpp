#include "PtyPair.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

PtyPair::PtyPair() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0)
        return;
    char name[128] = {};
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
        ::ptsname_r(m_master, name, sizeof name) != 0) {
        closeMaster();
        return;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    m_peek = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

PtyPair::~PtyPair() {
    if (m_peek >= 0)
        ::close(m_peek);
    closeMaster();
}

void PtyPair::closeMaster() {
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

bool PtyPair::writeMaster(const QByteArray& bytes, int timeoutMs) {
    qsizetype done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        pollfd p{m_master, POLLOUT, 0};
        ::poll(&p, 1, 10);
    }
    return true;
}

QByteArray PtyPair::readMaster(int count, int timeoutMs) {
    QByteArray got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
        char buf[256];
        const ssize_t n =
            ::read(m_master, buf, std::min<qsizetype>(sizeof buf, count - got.size()));
        if (n > 0) {
            got.append(buf, n);
            continue;
        }
        pollfd p{m_master, POLLIN, 0};
        ::poll(&p, 1, 10);
    }
    return got;
}

int PtyPair::queuedForPort() const {
    int queued = -1;
    if (::ioctl(m_peek, FIONREAD, &queued) != 0)
        return -1;
    return queued;
}

termios PtyPair::slaveSettings() const {
    termios tio{};
    ::tcgetattr(m_peek, &tio);
    return tio;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
