#pragma once

#include "device/CCom.h"

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// What the UI thread and the watcher share. The relay lives on the UI thread; the watcher posts
// its hand-overs and messages to it and waits for the acknowledgement of each burst.
struct CCom::Watcher {
    QObject relay;
    std::thread thread;

    std::mutex mutex;
    std::condition_variable handedOver;
    // Guarded by mutex. `stop` releases a watcher waiting for the UI thread; `burst` is the id of
    // the burst being handed over, bumped by Close so a hand-over still queued for the relay is
    // dropped.
    bool stop = false;
    std::uint64_t burst = 0;
    std::uint64_t acked = 0;
};
