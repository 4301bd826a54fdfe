#pragma once

#include "DevSim.h"
#include "FrameText.h"
#include "SettingsText.h"
#include "TempConfigHome.h"
#include "TestFiles.h"
#include "model/ChannelFrame.h"

// set.ini naming the port, channel i switched i % 2 and at level 30 * i.
inline bool WriteSettings(const TempConfigHome& home, const QString& port) {
    SettingsText text;
    for (int i = 0; i < CHANNEL_COUNT; ++i)
        text.channel(i, i % 2, 30 * i);
    return WriteAll(home.settingsFile(), text.port(port).fileName("NULL").bytes());
}

// A running simulated device and a temporary settings folder whose set.ini names its port.
struct DeviceWithSettings {
    explicit DeviceWithSettings(DevSimOptions options = {}) : sim(std::move(options)) {}
    bool Start() { return sim.start() && WriteSettings(home, sim.portPath()); }
    DevSim sim;
    TempConfigHome home;
};
