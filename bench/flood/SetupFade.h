#pragma once

#include <QString>

class PanelRig;
class XInput;

struct SetupFadeResult {
    int framesOnWire = 0;      // set-channel frames of channel 2 during the fade
    int watchLines = 0;        // ChannelChanged lines of channel 2 watch printed meanwhile
    int watchLinesOnClose = 0; // those that came only once Setup closed
    bool setupClosed = false;
};

// `morvix-ctl fade 2 250 1.5` while the Setup dialog is open, with `morvix-ctl watch` beside it.
bool RunSetupFade(PanelRig& rig, XInput& x, SetupFadeResult& result, QString& error);
