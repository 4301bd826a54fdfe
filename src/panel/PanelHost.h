#pragma once

#include "model/DialogResult.h"
#include "model/OperatorPrompts.h"

#include <QString>

struct SetupValues;

// What the panel logic needs from the window around it: repaints, modal dialogs and message
// boxes. CMorvixView provides the real ones.
class PanelHost : public OperatorPrompts {
public:
    virtual ~PanelHost() = default;

    // Repaint soon, without erasing the background.
    virtual void RequestRepaint() = 0;
    // Modal exit confirmation.
    virtual DialogResult RunExitDialog() = 0;
    // Modal Setup dialog working on the values; Cancel stands for its CLOSE button.
    virtual DialogResult RunSetupDialog(SetupValues& values) = 0;
    virtual void PostQuit(int exitCode) = 0;
};
