#pragma once

#include "FloodStats.h"

#include <QString>
#include <array>

class PanelRig;
class XInput;

struct FloodSettings {
    int clients = 8;
    int rateHz = 100;
    double seconds = 5;
    int keyIntervalMs = 200;
};

struct FloodResult {
    int sent = 0;
    int refused = 0; // calls the panel answered with an error
    int mostFramesIn100ms = 0;
    int reached = 0;
    int strayFrames = 0;
    int neverCovered = 0;
    Spread newestToWireMs, eachToWireMs;
    Spread clientLateMs; // each call's start after its place in the client's schedule
    std::array<int, 8> lastSent{}, lastOnWire{};
    KeyOutcome keys;
    Spread keyToWireMs;
    double panelCpuShare = 0; // of one core
};

// Eight clients flood their channels while the operator's arrow key is pressed on the panel.
bool RunFlood(PanelRig& rig, XInput& x, const FloodSettings& settings, FloodResult& result,
              QString& error);
