#include "PtyClient.h"

#include <QElapsedTimer>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

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

QByteArray hexBytes(const char* hex) {
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

QByteArray frameBytes(int code, int argument, int power, int level) {
    QByteArray f;
    f.append(char(0x95));
    f.append(char(code));
    f.append(char(argument));
    f.append(char(power));
    f.append(char(level));
    int sum = 0;
    for (const char c : f)
        sum += static_cast<unsigned char>(c);
    f.append(char(sum & 0xFF));
    return f;
}
