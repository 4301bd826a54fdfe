#pragma once

#include "RecordingHost.h"
#include "panel/PanelController.h"

// A controller on a recording host, as the panel tests start from: reset as at start-up (unless
// asked not to), its ticks stepped by the test itself.
struct HostedPanel {
    explicit HostedPanel(bool reset = true) {
        panel.DriveTicksByHand(true);
        if (reset)
            panel.ResetState();
    }
    RecordingHost host;
    PanelController panel{host};
};

// Sets the link's counters and lamps where a test needs them, the rest as they are.
template <typename Edit> void EditLink(PanelController& panel, Edit edit) {
    LinkSupervision s = panel.Link().Supervision();
    edit(s);
    panel.Link().RestoreSupervision(s);
}
