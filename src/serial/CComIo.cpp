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
    ssize_t n = 0;
    do {
        n = ::read(fd, m_rxBuffer.data(), m_rxBuffer.size());
    } while (n < 0 && errno == EINTR);
    return n > 0 ? static_cast<std::uint32_t>(n) : 0;
}
