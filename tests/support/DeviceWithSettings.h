#pragma once

#include "DevSim.h"
#include "FrameBytes.h"
#include "TempConfigHome.h"
#include "model/ChannelFrame.h"

#include <QDir>
#include <QFile>

// set.ini naming the port, channel i switched i % 2 and at level 30 * i.
inline bool WriteSettings(const TempConfigHome& home, const QString& port) {
    QDir().mkpath(home.settingsFolder());
    QFile ini(home.settingsFile());
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    QByteArray text = "[set]\r\nPort=" + port.toLocal8Bit() + "\r\nFile Name=NULL\r\n[CH SET]\r\n";
    for (int i = 0; i < CHANNEL_COUNT; ++i)
        text += QByteArray("CH POWER-%1=%2\r\nCH VALUE-%1=%3\r\n")
                    .replace("%1", QByteArray::number(i))
                    .replace("%2", QByteArray::number(i % 2))
                    .replace("%3", QByteArray::number(30 * i));
    return ini.write(text) == text.size();
}

// A running simulated device and a temporary settings folder whose set.ini names its port.
struct DeviceWithSettings {
    explicit DeviceWithSettings(DevSimOptions options = {}) : sim(std::move(options)) {}
    bool Start() { return sim.start() && WriteSettings(home, sim.portPath()); }
    DevSim sim;
    TempConfigHome home;
};

inline QByteArray Hex(const DevSimFrame& frame) {
    return Hex(std::span<const std::uint8_t>(frame.bytes));
}
