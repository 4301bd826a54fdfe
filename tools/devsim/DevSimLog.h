#pragma once

#include "DevSimTypes.h"

#include <QString>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

// JSON-lines records of everything on the line. Every record has "t_us" (monotonic clock, µs)
// and "dir": "rx" (received), "tx" (sent) or "info".
std::string devSimHex(std::span<const std::uint8_t> bytes); // "95 01 00 00 00 96"
// rx: "hex", "valid", "cmd" ("poll", "set", "alloff", "unknown"), for set also "channel",
// "switch", "level"; when rejected "reason" ("bad-checksum", "unknown-code", "bad-argument").
std::string devSimLogFrame(const DevSimFrame& frame);
// rx with "valid": false and "reason": "garbage-skipped".
std::string devSimLogSkipped(std::int64_t timestampUs, std::span<const std::uint8_t> bytes);
// tx with "kind": "answer" or "flood".
std::string devSimLogSent(std::int64_t timestampUs, std::span<const std::uint8_t> bytes,
                          std::string_view kind);
// info with "event" ("start", "hangup", "stop") and "port".
std::string devSimLogEvent(std::int64_t timestampUs, std::string_view event, const QString& port);

// info with "event": "line" and the settings: "baud", "data_bits", "parenb", "parodd",
// "stop_bits".
std::string devSimLogLine(std::int64_t timestampUs, const DevSimLine& line);

// Writes records to a file or stdout ("-"), one line each, flushed at once so a reader following
// the file sees every frame as it happens. Used by the device thread only.
class DevSimLogWriter {
public:
    ~DevSimLogWriter() { close(); }
    bool open(const QString& path, QString* error);
    bool isOpen() const { return m_file != nullptr; }
    void write(const std::string& record);
    void close();

private:
    std::FILE* m_file = nullptr;
    bool m_ownsFile = false;
};
