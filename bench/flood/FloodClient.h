#pragma once

#include <QString>

// Each client is a process of its own with its own bus connection, as a script would be. The
// bench starts them with --client; each connects, prints "ready", waits for "go <start_us>" on
// stdin, then calls SetLevel on its channel at the rate from the start on, blocking on each
// answer as a script does, and prints one "<send_us> <level> <ok>" line per call at the end.
int RunFloodClient(int channel, int rateHz, double seconds);

// A ramp of even levels, each channel from its own place: consecutive values differ, and the
// panel's arrow key (level + 1) makes odd ones, so the key's frames stand apart on channel 1.
constexpr int FloodLevel(int channel, int index) {
    return (2 * index + 32 * (channel - 1)) % 256;
}

QString ServiceName();
QString ObjectPath();
QString InterfaceName();
