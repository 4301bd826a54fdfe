#pragma once

#include "RecordingHost.h"
#include "panel/PanelController.h"
#include "session/DeviceSession.h"

// A session with the panel's road on a recording host, as the panel tests start from: reset as at
// start-up (unless asked not to), its ticks stepped by the test itself.
struct HostedPanel {
    explicit HostedPanel(bool reset = true) {
        session.DriveTicksByHand(true);
        if (reset)
            panel.ResetState();
    }
    RecordingHost host;
    DeviceSession session;
    PanelController panel{session, host};
};

// Sets the link's counters and lamps where a test needs them, the rest as they are.
template <typename Edit> void EditLink(PanelController& panel, Edit edit) {
    LinkSupervision s = panel.Session().Link().Supervision();
    edit(s);
    panel.Session().Link().RestoreSupervision(s);
}

// The same for the channel model and the operator's input.
template <typename Edit> void EditChannels(DeviceSession& session, Edit edit) {
    ChannelModel channels = session.Channels();
    edit(channels);
    session.RestoreChannels(channels);
}
template <typename Edit> void EditChannels(PanelController& panel, Edit edit) {
    EditChannels(panel.Session(), edit);
}
template <typename Edit> void EditInput(PanelController& panel, Edit edit) {
    OperatorInput input = panel.Input();
    edit(input);
    panel.RestoreInput(input);
}
