#pragma once

#include <QString>

class OperatorPrompts;

enum class ShellCopyResult {
    Done,
    // The operator refused to replace the existing target.
    Declined,
    // Reading the source or writing the target failed; the operator has been told.
    Failed,
};

// Copies the file `source` whole to `target`. An existing target is replaced only after the
// operator agrees (host.AskYesNo), and any failure is reported through host.ShowMessage. The copy
// goes to a temporary file beside the target and is renamed into place, so a failed copy never
// leaves a truncated target behind.
ShellCopyResult ShellCopyFile(QString source, QString target, OperatorPrompts& host);
