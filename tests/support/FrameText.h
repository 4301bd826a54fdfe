#pragma once

#include "DevSimTypes.h"
#include "FrameBytes.h"

#include <QString>
#include <QStringList>
#include <vector>

// Frames the simulated device took, as the tests compare them.

inline QByteArray Hex(const DevSimFrame& frame) {
    return Hex(std::span<const std::uint8_t>(frame.bytes));
}

inline QStringList HexFrames(const std::vector<DevSimFrame>& frames) {
    QStringList hex;
    for (const DevSimFrame& frame : frames)
        hex << QString::fromLatin1(Hex(frame));
    return hex;
}

// "channel/power/level" of each channel frame, "poll" and "alloff" for the others.
inline QString Describe(const DevSimFrame& f) {
    switch (f.command.kind) {
    case DevSimCommandKind::Set:
        return QStringLiteral("%1/%2/%3")
            .arg(f.command.channel)
            .arg(f.command.power)
            .arg(f.command.level);
    case DevSimCommandKind::Poll:
        return QStringLiteral("poll");
    case DevSimCommandKind::AllOff:
        return QStringLiteral("alloff");
    default:
        return QStringLiteral("?");
    }
}
