#pragma once

#include "DevSim.h"
#include "DevSimDevice.h"
#include "DevSimFrameParser.h"
#include "DevSimLog.h"
#include "DevSimPty.h"
#include "DevSimView.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

struct DevSim::Impl {
    explicit Impl(DevSimOptions options);
    ~Impl();
    void wake();

    // Device thread.
    void run();
    void readInput();
    void handleBytes(std::span<const std::uint8_t> data);
    void releaseDueAnswers(std::int64_t now);
    void addFlood(std::int64_t now, int bytesPerSec);
    void flushOutput();
    bool readyToHangUp(std::int64_t now) const;
    void hangUpNow();
    void showView();
    int pollTimeoutMs(std::int64_t now, int floodRate) const;
    void reportLineChange();

    struct Outgoing {
        std::vector<std::uint8_t> bytes;
        std::size_t written = 0;
        bool answer = true;       // false: flood
        std::int64_t frameUs = 0; // an answer: when its frame arrived
    };
    struct Scheduled {
        std::int64_t dueUs = 0;
        std::vector<std::uint8_t> bytes;
        std::int64_t frameUs = 0;
    };

    // Set up before the thread starts; afterwards the port belongs to the thread until it is
    // joined.
    const DevSimOptions options;
    DevSimPty pty;
    QString portPath;
    int wakeFd = -1; // lives as long as the object, so wake() is safe from any thread
    std::thread thread;
    bool started = false;
    QString error;

    std::atomic<bool> stopRequested{false};
    std::atomic<bool> hangupRequested{false};

    // Guarded by mutex.
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    DevSimDevice device;
    std::vector<DevSimFrame> frames;
    int frameCount = 0;
    int validCount = 0;
    long skipped = 0;
    long answers = 0;
    long floodBytes = 0;
    bool hungUp = false;
    bool running = false;

    // Device thread only.
    DevSimFrameParser parser;
    DevSimLogWriter log;
    std::unique_ptr<DevSimViewWriter> view;
    DevSimCounts viewCounts;
    std::deque<Scheduled> scheduled;
    std::deque<Outgoing> output;
    std::size_t outputBytes = 0;
    bool hangupPending = false;
    std::int64_t hangupPendingSinceUs = 0;
    std::int64_t lastWriteUs = 0;
    std::int64_t masterQuietUntil = 0;
    std::int64_t lastFloodUs = 0;
    double floodCarry = 0;
    int lastFloodRate = 0;
    DevSimLine lastLine{};
};
