#pragma once

#include "model/Channels.h"
#include "surface/MidiControl.h"

#include <QString>
#include <QStringList>
#include <array>

// One strip of the controller, on one of the panel's channels: a fader for the level, a button
// for the switch, and a touch sensor on motor faders.
struct SurfaceStrip {
    MidiControl fader;
    MidiControl button;
    MidiControl touch;
};

// A controller's map, as a table: what each strip sends, and how its feedback is written.
struct SurfaceProfile {
    const char* id;
    // What the status bar calls the controller.
    const char* name;
    // Motor faders follow the panel by themselves; without motors pick-up is on by default.
    bool motorFaders;
    // Whether the faders take level feedback (motors, or a generic box's LED rings).
    bool faderFeedback;
    int lampOn;
    int lampOff;
    std::array<SurfaceStrip, CHANNEL_COUNT> strips;
};

// The profile named `id`, or nullptr.
const SurfaceProfile* FindSurfaceProfile(const QString& id);
const SurfaceProfile& GenericSurfaceProfile();
QStringList SurfaceProfileIds();
