#pragma once

#include <QString>

class OperatorPrompts;

// Results of ShellCopyFile; only COPY_DONE is 0.
enum ShellCopyResult {
    COPY_DONE = 0,
    // The operator refused to replace the existing target.
    COPY_DECLINED = 1,
    // Reading the source or writing the target failed; the operator has been told.
    COPY_FAILED = 2,
};

// Copies the file `source` whole to `target`. An existing target is replaced only after the
// operator agrees (host.AskYesNo), and any failure is reported through host.ShowMessage. The copy
// goes to a temporary file beside the target and is renamed into place, so a failed copy never
// leaves a truncated target behind.
int ShellCopyFile(QString source, QString target, OperatorPrompts& host);
