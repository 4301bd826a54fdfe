#include "Pty.h"

#include <QElapsedTimer>
#include <QFile>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
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

PtyClient::PtyClient(const QString& path) {
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0)
        return;
    termios t{};
    tcgetattr(m_fd, &t);
    cfmakeraw(&t);
    t.c_cflag |= PARENB | PARODD | CLOCAL | CREAD;
    cfsetspeed(&t, B19200);
    tcsetattr(m_fd, TCSANOW, &t);
    // Answers left over from an earlier opening are not ours.
    tcflush(m_fd, TCIFLUSH);
}

PtyClient::~PtyClient() {
    close();
}

void PtyClient::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool PtyClient::send(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QByteArray PtyClient::readExactly(int count, int timeoutMs) {
    QByteArray data;
    QElapsedTimer timer;
    timer.start();
    while (data.size() < count) {
        const qint64 left = timeoutMs - timer.elapsed();
        if (left <= 0)
            break;
        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0 || !(p.revents & POLLIN))
            break;
        char buffer[256];
        const ssize_t n =
            ::read(m_fd, buffer,
                   std::min<size_t>(sizeof buffer, static_cast<size_t>(count - data.size())));
        if (n <= 0)
            break;
        data.append(buffer, n);
    }
    return data;
}

QByteArray PtyClient::readFor(int windowMs) {
    QByteArray data;
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const qint64 left = windowMs - timer.elapsed();
        if (left <= 0)
            break;
        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0 || !(p.revents & POLLIN))
            break;
        char buffer[4096];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        data.append(buffer, n);
    }
    return data;
}

short PtyClient::waitEvents(int timeoutMs) {
    pollfd p{m_fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) > 0 ? p.revents : 0;
}
