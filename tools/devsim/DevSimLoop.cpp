#include "DevSimImpl.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {

// A burst of unread flood beyond this is dropped instead of hoarded.
constexpr std::size_t MAX_QUEUED_BYTES = 64 * 1024;
constexpr std::size_t MAX_FLOOD_CHUNK = 16 * 1024;
// Noise goes out a millisecond's worth at a time: at line rate one or two bytes, close to the
// trickle a UART delivers, so a reader sees it arrive as it would from a real line.
constexpr int FLOOD_TICK_MS = 1;
// Back-off when the master reports a hang-up, so the loop never spins.
constexpr std::int64_t HANGUP_BACKOFF_US = 20'000;
// An answer due before a hang-up gets this long to be read by the panel; a hang-up discards
// whatever the panel has not read.
constexpr std::int64_t HANGUP_GRACE_US = 500'000;
// Bytes written to the master reach the slave's queue through a kernel worker shortly after.
constexpr std::int64_t DELIVERY_US = 20'000;
constexpr int HANGUP_CHECK_MS = 10;
// How often the line settings are looked at between frames when they are reported.
constexpr int LINE_CHECK_MS = 50;

int minTimeout(int a, int b) {
    return a < 0 ? b : (b < 0 ? a : std::min(a, b));
}

} // namespace

int DevSim::Impl::pollTimeoutMs(std::int64_t now, int floodRate) const {
    int timeout = -1;
    if (!scheduled.empty()) {
        const std::int64_t waitUs = std::max<std::int64_t>(0, scheduled.front().dueUs - now);
        timeout = static_cast<int>((waitUs + 999) / 1000);
    }
    if (floodRate > 0)
        timeout = minTimeout(timeout, FLOOD_TICK_MS);
    if (hangupPending)
        timeout = minTimeout(timeout, HANGUP_CHECK_MS);
    if (options.reportLine)
        timeout = minTimeout(timeout, LINE_CHECK_MS);
    if (now < masterQuietUntil)
        timeout = minTimeout(timeout, static_cast<int>((masterQuietUntil - now + 999) / 1000));
    return timeout;
}

void DevSim::Impl::run() {
    while (!stopRequested.load()) {
        int floodRate = 0;
        {
            std::lock_guard lock(mutex);
            floodRate = device.faults().floodBytesPerSec;
        }
        const std::int64_t now = DevSim::nowUs();
        const bool masterQuiet = now < masterQuietUntil;
        pollfd fds[2] = {{wakeFd, POLLIN, 0}, {pty.masterFd(), 0, 0}};
        if (!hangupPending)
            fds[1].events |= POLLIN;
        if (!output.empty())
            fds[1].events |= POLLOUT;
        const nfds_t count = masterQuiet ? 1 : 2;
        if (poll(fds, count, pollTimeoutMs(now, floodRate)) < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN) {
            std::uint64_t value = 0;
            [[maybe_unused]] const auto n = read(wakeFd, &value, sizeof value);
        }
        if (stopRequested.load())
            break;
        if (hangupRequested.exchange(false)) {
            hangUpNow();
            return;
        }
        // Before the bytes: a frame's record then follows the settings it was sent with.
        if (options.reportLine)
            reportLineChange();
        const short revents = count > 1 ? fds[1].revents : 0;
        if (revents & POLLIN)
            readInput();
        else if (revents & (POLLHUP | POLLERR))
            masterQuietUntil = DevSim::nowUs() + HANGUP_BACKOFF_US;

        const std::int64_t later = DevSim::nowUs();
        releaseDueAnswers(later);
        if (!hangupPending)
            addFlood(later, floodRate);
        flushOutput();
        if (hangupPending && readyToHangUp(later)) {
            hangUpNow();
            return;
        }
    }
}

bool DevSim::Impl::readyToHangUp(std::int64_t now) const {
    if (now - hangupPendingSinceUs > HANGUP_GRACE_US)
        return true;
    return scheduled.empty() && output.empty() && now - lastWriteUs >= DELIVERY_US &&
           pty.unreadByPanel() == 0;
}

void DevSim::Impl::reportLineChange() {
    DevSimLine line;
    if (!pty.lineSettings(&line) || line == lastLine)
        return;
    lastLine = line;
    log.write(devSimLogLine(DevSim::nowUs(), line));
}

void DevSim::Impl::readInput() {
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = read(pty.masterFd(), buffer, sizeof buffer);
        if (n > 0) {
            handleBytes(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n)));
            if (static_cast<std::size_t>(n) < sizeof buffer)
                return;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // EIO: nobody holds the slave. Our own descriptor prevents that, but never spin on it.
        masterQuietUntil = DevSim::nowUs() + HANGUP_BACKOFF_US;
        return;
    }
}

void DevSim::Impl::handleBytes(std::span<const std::uint8_t> data) {
    const std::int64_t t = DevSim::nowUs();
    std::vector<DevSimParsed> parsed = parser.feed(data);
    if (parsed.empty())
        return;
    std::vector<std::vector<std::uint8_t>> answersDue(parsed.size());
    int delayMs = 0;
    {
        std::lock_guard lock(mutex);
        delayMs = device.faults().delayMs;
        for (std::size_t i = 0; i < parsed.size(); ++i) {
            DevSimParsed& p = parsed[i];
            if (!p.isFrame) {
                skipped += static_cast<long>(p.skipped.size());
                continue;
            }
            p.frame.timestampUs = t;
            // Frames behind the one that triggers a hang-up reach a device that is going away.
            if (!hangupPending)
                answersDue[i] = device.handle(p.frame);
            ++frameCount;
            if (p.frame.valid)
                ++validCount;
            if (options.keepFrames)
                frames.push_back(p.frame);
            if (p.frame.valid && !hangupPending && options.hangupAfter > 0 &&
                device.validFrames() >= options.hangupAfter) {
                hangupPending = true;
                hangupPendingSinceUs = t;
            }
        }
    }
    changed.notify_all();

    for (std::size_t i = 0; i < parsed.size(); ++i) {
        const DevSimParsed& p = parsed[i];
        if (!p.isFrame) {
            log.write(devSimLogSkipped(t, p.skipped));
            continue;
        }
        log.write(devSimLogFrame(p.frame));
        ++(p.frame.valid ? viewCounts.frames : viewCounts.rejected);
        std::vector<std::uint8_t>& answer = answersDue[i];
        if (answer.empty())
            continue;
        if (delayMs > 0) {
            scheduled.push_back({t + std::int64_t{delayMs} * 1000, std::move(answer), t});
        } else {
            outputBytes += answer.size();
            output.push_back({std::move(answer), 0, true, t});
        }
    }
    if (view)
        showView();
}

void DevSim::Impl::releaseDueAnswers(std::int64_t now) {
    while (!scheduled.empty() && scheduled.front().dueUs <= now) {
        outputBytes += scheduled.front().bytes.size();
        output.push_back({std::move(scheduled.front().bytes), 0, true, scheduled.front().frameUs});
        scheduled.pop_front();
    }
}

void DevSim::Impl::addFlood(std::int64_t now, int bytesPerSec) {
    if (bytesPerSec <= 0) {
        lastFloodRate = 0;
        floodCarry = 0;
        return;
    }
    if (lastFloodRate == 0) {
        lastFloodRate = bytesPerSec;
        lastFloodUs = now;
        return;
    }
    floodCarry += static_cast<double>(bytesPerSec) * static_cast<double>(now - lastFloodUs) / 1e6;
    lastFloodUs = now;
    lastFloodRate = bytesPerSec;
    const auto count = std::min(static_cast<std::size_t>(floodCarry), MAX_FLOOD_CHUNK);
    floodCarry -= static_cast<double>(static_cast<std::size_t>(floodCarry));
    if (count == 0 || outputBytes > MAX_QUEUED_BYTES)
        return;
    std::vector<std::uint8_t> bytes;
    {
        std::lock_guard lock(mutex);
        bytes = device.noise(count);
    }
    outputBytes += bytes.size();
    output.push_back({std::move(bytes), 0, false});
}

void DevSim::Impl::flushOutput() {
    long answersDone = 0;
    long floodDone = 0;
    while (!output.empty()) {
        Outgoing& o = output.front();
        const ssize_t n =
            write(pty.masterFd(), o.bytes.data() + o.written, o.bytes.size() - o.written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (n > 0) {
            lastWriteUs = DevSim::nowUs();
            o.written += static_cast<std::size_t>(n);
            if (o.written < o.bytes.size())
                continue;
            log.write(devSimLogSent(DevSim::nowUs(), o.bytes, o.answer ? "answer" : "flood"));
            if (o.answer) {
                ++answersDone;
                viewCounts.lastAnswerDelayUs = lastWriteUs - o.frameUs;
            } else
                floodDone += static_cast<long>(o.bytes.size());
        }
        // Written, or failed for good (the line is gone): either way it leaves the queue.
        outputBytes -= o.bytes.size();
        output.pop_front();
    }
    if (answersDone == 0 && floodDone == 0)
        return;
    viewCounts.answers += answersDone;
    {
        std::lock_guard lock(mutex);
        answers += answersDone;
        floodBytes += floodDone;
    }
    changed.notify_all();
    if (view && answersDone > 0)
        showView();
}

void DevSim::Impl::hangUpNow() {
    pty.close();
    if (!options.linkPath.isEmpty())
        devSimRemoveLink(options.linkPath, portPath);
    log.write(devSimLogEvent(DevSim::nowUs(), "hangup", portPath));
    scheduled.clear();
    output.clear();
    outputBytes = 0;
    {
        std::lock_guard lock(mutex);
        hungUp = true;
        running = false;
    }
    changed.notify_all();
}

void DevSim::Impl::showView() {
    DevSimChannels snapshot;
    {
        std::lock_guard lock(mutex);
        snapshot = device.channels();
    }
    view->show(snapshot, viewCounts);
}
