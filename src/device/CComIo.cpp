#include "device/CCom.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

std::uint32_t CCom::Write(const std::uint8_t* buffer, std::uint32_t length) {
    const int fd = m_hComm;
    if (fd < 0 || buffer == nullptr || length == 0)
        return 0;

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(5) * (std::int64_t{length} + 1);
    std::uint32_t written = 0;
    while (written < length) {
        const ssize_t n = ::write(fd, buffer + written, length - written);
        if (n > 0) {
            written += static_cast<std::uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            break;

        // The device is not taking bytes: wait for room, but never past the time-out.
        const auto left =
            std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        const timespec wait{static_cast<time_t>(left.count() / 1'000'000'000),
                            static_cast<long>(left.count() % 1'000'000'000)};
        pollfd writable{fd, POLLOUT, 0};
        const int ready = ::ppoll(&writable, 1, &wait, nullptr);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && (writable.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            break;
    }
    if (written > 0) {
        m_sendDeadline = deadline;
        WaitUntilSent(deadline);
    }
    return written;
}

// TIOCOUTQ counts what the driver still holds; a UART that reports its line status also says
// when its transmitter has shifted out the last bit. A pseudo-terminal hands bytes over at once.
bool CCom::WaitUntilSent(std::chrono::steady_clock::time_point deadline) const {
    const int fd = m_hComm;
    if (fd < 0)
        return true;
    using namespace std::chrono;
    // One character on the line: start, data, parity and stop bits.
    const auto charTime = microseconds(11'000'000 / std::max<std::uint32_t>(m_dwBaudRate, 1));
    for (;;) {
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0)
            return true; // nothing to ask: not a line that queues
        unsigned int lineStatus = 0;
        const bool shifterBusy = queued == 0 && ::ioctl(fd, TIOCSERGETLSR, &lineStatus) == 0 &&
                                 (lineStatus & TIOCSER_TEMT) == 0;
        if (queued <= 0 && !shifterBusy)
            return true;
        const auto now = steady_clock::now();
        if (now >= deadline)
            return false;
        const auto wait = std::min<nanoseconds>(deadline - now, charTime * std::max(queued, 1));
        const timespec ts{static_cast<time_t>(wait.count() / 1'000'000'000),
                          static_cast<long>(wait.count() % 1'000'000'000)};
        ::nanosleep(&ts, nullptr);
    }
}

std::uint32_t CCom::Read() {
    const int fd = m_hComm;
    if (fd < 0)
        return 0;
    int queued = 0;
    if (::ioctl(fd, FIONREAD, &queued) != 0 || queued <= 0)
        return 0;
    // A read ends with its sixth byte or once the line has been quiet for the read window, so a
    // byte that closely follows another lands in the same read, at the same place in the buffer.
    std::uint32_t stored = 0;
    for (;;) {
        const ssize_t n = ::read(fd, m_rxBuffer.data() + stored, m_rxBuffer.size() - stored);
        if (n < 0 && errno == EINTR)
            continue;
        if (n > 0)
            stored += static_cast<std::uint32_t>(n);
        if (stored == m_rxBuffer.size() || n == 0 || (n < 0 && errno != EAGAIN))
            break;
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        const int ready = ::poll(fds, m_wakeFd >= 0 ? 2 : 1, kReadWindowMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || (fds[0].revents & POLLIN) == 0 || (m_wakeFd >= 0 && fds[1].revents))
            break;
    }
    return stored;
}
