#include "serial/CCom.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <poll.h>
#include <sys/ioctl.h>
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
    return written;
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
