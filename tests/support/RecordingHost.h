#pragma once

#include "panel/PanelHost.h"
#include "settings/SetupValues.h"

#include <QString>
#include <QStringList>
#include <functional>

// A PanelHost for tests without a window: it records what the logic asked for and answers the
// dialogs with preset results.
class RecordingHost : public PanelHost {
public:
    void RequestRepaint() override { ++repaintRequests; }
    DialogResult RunExitDialog() override {
        ++exitDialogRuns;
        return exitDialogResult;
    }
    DialogResult RunSetupDialog(SetupValues& values) override {
        ++setupDialogRuns;
        shownSetupValues = values;
        if (setupDialog)
            return setupDialog(values);
        return DialogResult::Cancel;
    }
    void PostQuit(int exitCode) override { quitCode = exitCode; }
    void ShowMessage(const QString& text, const QString& caption) override {
        messages << text;
        captions << caption;
    }
    bool AskYesNo(const QString& text, const QString&) override {
        questions << text;
        return yesNoAnswer;
    }

    int repaintRequests = 0;
    int exitDialogRuns = 0;
    DialogResult exitDialogResult = DialogResult::Cancel;
    int setupDialogRuns = 0;
    SetupValues shownSetupValues;
    std::function<DialogResult(SetupValues&)> setupDialog;
    int quitCode = -1;
    QStringList messages;
    QStringList captions;
    QStringList questions;
    bool yesNoAnswer = true;
};
