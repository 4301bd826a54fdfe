#pragma once

#include <QString>

// The two questions any layer may put to the operator; the window around the panel answers them
// with message boxes, tests with recorded answers.
class OperatorPrompts {
public:
    virtual ~OperatorPrompts() = default;

    // Message box with an OK button.
    virtual void ShowMessage(const QString& text, const QString& caption) = 0;
    // Yes/No question; true for Yes.
    virtual bool AskYesNo(const QString& text, const QString& caption) = 0;
};
