#pragma once

#include "DevSimOptions.h"
#include "DevSimTypes.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

// The simulated level controller on a pseudo-terminal, running on a thread of its own so that it
// answers even while the caller's thread sleeps or blocks. start() and stop() belong to the
// owner's thread; every other method is thread-safe.
//
//   DevSim sim(DevSimOptions{.faults = {.delayMs = 50}});
//   QVERIFY2(sim.start(), qPrintable(sim.errorString()));
//   com.Configure(sim.portPath(), 19200, 8, StopBits::One, Parity::Odd);
//   ...
//   QTRY_COMPARE(sim.validFrameCount(), 9);   // from the UI thread: keeps the event loop going
//   QCOMPARE(sim.channel(2), (DevSimChannel{1, 200}));
//
// The blocking waitFor... calls suit frames written by the calling thread; when the frames come
// from the caller's own event loop, use QTRY_* on the counters instead.
class DevSim {
public:
    explicit DevSim(DevSimOptions options = {});
    ~DevSim(); // stop()
    DevSim(const DevSim&) = delete;
    DevSim& operator=(const DevSim&) = delete;

    // Creates the port (and the link and the log) and starts the device thread. Once only.
    bool start();
    // Stops the thread, closes the port, removes the link. Idempotent.
    void stop();
    bool isRunning() const;
    QString errorString() const;

    // The slave side to open, e.g. "/dev/pts/4"; empty before start().
    QString portPath() const;
    // Steady-clock microseconds, the time base of DevSimFrame::timestampUs.
    static std::int64_t nowUs();

    // Frame candidates received since start or clearLog(), valid and rejected, in order.
    std::vector<DevSimFrame> frames() const;
    std::vector<DevSimFrame> validFrames() const;
    int frameCount() const;
    int validFrameCount() const;
    // Bytes skipped while looking for a header.
    long skippedBytes() const;
    // Answers written to the line (each 'u', or its replacement, with any extra bytes).
    long answersSent() const;
    long floodBytesSent() const;
    // Forgets the frames and resets the counters above; the channels stay.
    void clearLog();

    bool waitForFrames(int count, int timeoutMs) const;
    bool waitForValidFrames(int count, int timeoutMs) const;
    bool waitForAnswers(long count, int timeoutMs) const;

    // Channel index 0..7 (channel number 1..8 on the wire).
    DevSimChannel channel(int index) const;
    DevSimChannels channels() const;

    // Takes effect with the next frame (flood: at once).
    void setFaults(const DevSimFaults& faults);
    DevSimFaults faults() const;

    // Closes the port now, as if the device were unplugged; true once it is gone.
    bool hangUp(int timeoutMs = 5000);
    bool isHungUp() const;
    bool waitForHangup(int timeoutMs) const;

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};
