#include "DevSim.h"

#include "DevSimImpl.h"

#include <chrono>
#include <sys/eventfd.h>
#include <unistd.h>

DevSim::Impl::Impl(DevSimOptions opts) : options(std::move(opts)), device(options.seed) {
    device.setFaults(options.faults);
    wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

DevSim::Impl::~Impl() {
    if (wakeFd >= 0)
        ::close(wakeFd);
}

void DevSim::Impl::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = write(wakeFd, &one, sizeof one);
}

DevSim::DevSim(DevSimOptions options) : d(std::make_unique<Impl>(std::move(options))) {}

DevSim::~DevSim() {
    stop();
}

std::int64_t DevSim::nowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool DevSim::start() {
    if (d->started) {
        d->error = QStringLiteral("the device was already started");
        return false;
    }
    d->started = true;
    if (!d->pty.open(&d->error, d->options.reportLine))
        return false;
    d->portPath = d->pty.slavePath();
    if (d->options.onPortReady)
        d->options.onPortReady(d->portPath);

    auto fail = [this] {
        if (!d->options.linkPath.isEmpty())
            devSimRemoveLink(d->options.linkPath, d->portPath);
        d->pty.close();
        d->log.close();
        d->portPath.clear();
        return false;
    };
    if (!d->options.linkPath.isEmpty() &&
        !devSimCreateLink(d->options.linkPath, d->portPath, &d->error))
        return fail();
    if (!d->options.logPath.isEmpty() && !d->log.open(d->options.logPath, &d->error))
        return fail();
    if (d->wakeFd < 0) {
        d->error = QStringLiteral("eventfd failed");
        return fail();
    }
    d->log.write(devSimLogEvent(nowUs(), "start", d->portPath));
    if (d->options.reportLine)
        d->reportLineChange();
    if (d->options.view) {
        d->view = std::make_unique<DevSimViewWriter>(stderr);
        d->showView();
    }
    {
        std::lock_guard lock(d->mutex);
        d->running = true;
    }
    d->thread = std::thread([impl = d.get()] { impl->run(); });
    return true;
}

void DevSim::stop() {
    if (!d->thread.joinable())
        return;
    d->stopRequested = true;
    d->wake();
    d->thread.join();
    d->pty.close();
    if (!d->options.linkPath.isEmpty())
        devSimRemoveLink(d->options.linkPath, d->portPath);
    d->log.write(devSimLogEvent(nowUs(), "stop", d->portPath));
    d->log.close();
    std::lock_guard lock(d->mutex);
    d->running = false;
    d->changed.notify_all();
}

bool DevSim::isRunning() const {
    std::lock_guard lock(d->mutex);
    return d->running;
}

QString DevSim::errorString() const {
    return d->error;
}
QString DevSim::portPath() const {
    return d->portPath;
}

std::vector<DevSimFrame> DevSim::frames() const {
    std::lock_guard lock(d->mutex);
    return d->frames;
}

std::vector<DevSimFrame> DevSim::validFrames() const {
    std::lock_guard lock(d->mutex);
    std::vector<DevSimFrame> valid;
    for (const DevSimFrame& f : d->frames) {
        if (f.valid)
            valid.push_back(f);
    }
    return valid;
}

int DevSim::frameCount() const {
    std::lock_guard lock(d->mutex);
    return d->frameCount;
}

int DevSim::validFrameCount() const {
    std::lock_guard lock(d->mutex);
    return d->validCount;
}

long DevSim::skippedBytes() const {
    std::lock_guard lock(d->mutex);
    return d->skipped;
}

long DevSim::answersSent() const {
    std::lock_guard lock(d->mutex);
    return d->answers;
}

long DevSim::floodBytesSent() const {
    std::lock_guard lock(d->mutex);
    return d->floodBytes;
}

void DevSim::clearLog() {
    std::lock_guard lock(d->mutex);
    d->frames.clear();
    d->frameCount = 0;
    d->validCount = 0;
    d->skipped = 0;
    d->answers = 0;
    d->floodBytes = 0;
}

bool DevSim::waitForFrames(int count, int timeoutMs) const {
    std::unique_lock lock(d->mutex);
    return d->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return d->frameCount >= count; });
}

bool DevSim::waitForValidFrames(int count, int timeoutMs) const {
    std::unique_lock lock(d->mutex);
    return d->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return d->validCount >= count; });
}

bool DevSim::waitForAnswers(long count, int timeoutMs) const {
    std::unique_lock lock(d->mutex);
    return d->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return d->answers >= count; });
}

DevSimChannel DevSim::channel(int index) const {
    if (index < 0 || index >= DEVSIM_CHANNELS)
        return {};
    std::lock_guard lock(d->mutex);
    return d->device.channels()[static_cast<std::size_t>(index)];
}

DevSimChannels DevSim::channels() const {
    std::lock_guard lock(d->mutex);
    return d->device.channels();
}

void DevSim::setFaults(const DevSimFaults& faults) {
    {
        std::lock_guard lock(d->mutex);
        d->device.setFaults(faults);
    }
    d->wake();
}

DevSimFaults DevSim::faults() const {
    std::lock_guard lock(d->mutex);
    return d->device.faults();
}

bool DevSim::hangUp(int timeoutMs) {
    {
        std::lock_guard lock(d->mutex);
        if (!d->running || d->hungUp)
            return d->hungUp;
    }
    d->hangupRequested = true;
    d->wake();
    return waitForHangup(timeoutMs);
}

bool DevSim::isHungUp() const {
    std::lock_guard lock(d->mutex);
    return d->hungUp;
}

bool DevSim::waitForHangup(int timeoutMs) const {
    std::unique_lock lock(d->mutex);
    return d->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return d->hungUp; });
}
