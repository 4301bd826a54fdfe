#pragma once

#include <QFile>
#include <QString>
#include <cstdint>
#include <vector>

// One valid frame the simulated device read, as its JSON-lines log gives it.
struct DeviceFrame {
    std::int64_t tUs = 0; // CLOCK_MONOTONIC, as the simulator stamps it
    bool set = false;     // a set-channel frame; polls and all-off are not
    int channel = 0;      // 1..8 for a set-channel frame
    int level = 0;
};

// Follows the simulator's log while it grows; only complete lines are taken.
class LineLog {
public:
    bool open(const QString& path);
    // Reads what was appended since the last call; returns how many frames came.
    int poll();
    const std::vector<DeviceFrame>& frames() const { return m_frames; }
    // Polls until `done` holds or `timeoutMs` passed; true when it held.
    template <typename Done> bool waitFor(Done done, int timeoutMs);
    // Polls until no set-channel frame came for `quietMs`, at most `timeoutMs`.
    bool waitForQuietLine(int quietMs, int timeoutMs);

private:
    QFile m_file;
    QByteArray m_partial;
    std::vector<DeviceFrame> m_frames;
};

std::int64_t MonotonicUs();
void SleepUs(std::int64_t us);

template <typename Done> bool LineLog::waitFor(Done done, int timeoutMs) {
    const std::int64_t end = MonotonicUs() + std::int64_t(timeoutMs) * 1000;
    for (;;) {
        poll();
        if (done())
            return true;
        if (MonotonicUs() > end)
            return false;
        SleepUs(2000);
    }
}
