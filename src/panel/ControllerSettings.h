#pragma once

#include "settings/ChSetSection.h"

#include <QString>

class PanelController;

// What stands for the program-files directory: $XDG_CONFIG_HOME when it holds an absolute path,
// otherwise ~/.config. The settings live in "<it>/QV/Morvix/set.ini".
QString ProgramFilesDir();

// The panel's colours and channels as one "CH SET" record, and back.
ChSetValues ChSetValuesOf(const PanelController& panel);
void ApplyChSetValues(PanelController& panel, const ChSetValues& values);
