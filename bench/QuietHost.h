#pragma once

#include "panel/PanelController.h"
#include "panel/PanelHost.h"

#include <cstdio>

// A host for benchmarks: no window, no dialogs; a message is printed, since it means the
// measurement went wrong.
class QuietHost : public PanelHost {
public:
    void RequestRepaint() override {}
    DialogResult RunExitDialog() override { return DialogResult::Cancel; }
    DialogResult RunSetupDialog(SetupValues&) override { return DialogResult::Cancel; }
    void PostQuit(int) override {}
    void ShowMessage(const QString& text, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool AskYesNo(const QString&, const QString&) override { return false; }
};
