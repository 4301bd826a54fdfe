#pragma once

#include <QString>
#include <cstdint>
#include <functional>

// Misbehaviour on demand, for tests of the program's link handling. May be changed while running.
struct DevSimFaults {
    bool silent = false;      // never answer
    int delayMs = 0;          // answer this late
    int answerEvery = 1;      // answer only the Nth, 2Nth, ... valid frame
    bool garbage = false;     // answer 'x' instead of 'u'
    int extraBytes = 0;       // 'u' followed by this many noise bytes (never 'u')
    int floodBytesPerSec = 0; // unasked noise bytes (never 'u')
};

// What the line carries at most: 19200 baud, 11 bits a character (start, 8 data, parity, stop).
inline constexpr int DEVSIM_LINE_RATE_BYTES_PER_SEC = 19200 / 11;

struct DevSimOptions {
    DevSimFaults faults{};
    int hangupAfter = 0;    // close the port after this many valid frames; 0: never
    QString linkPath{};     // symlink to the port; a symlink already there is replaced
    QString logPath{};      // JSON lines; "-" for stdout; empty: no log
    bool view = false;      // channel table on stderr
    bool keepFrames = true; // record frames for frames(); a long-running tool turns it off
    std::uint32_t seed = 0x5EED;
    // The far end owns the line settings (an emulated adapter's back end that applies what the
    // guest's driver asked for): start from 9600 8N1 instead, and log every change as a "line"
    // record, so a log showing 19200 odd came from the far end.
    bool reportLine = false;
    // Called by start() once the port exists, before the link, the log and the thread.
    std::function<void(const QString& portPath)> onPortReady{};
};
