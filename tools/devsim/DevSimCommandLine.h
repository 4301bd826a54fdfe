#pragma once

#include "DevSimOptions.h"

#include <QString>
#include <QStringList>

struct DevSimCommandLine {
    DevSimOptions options;
    bool help = false;
    QString helpText;
    QString error; // empty when the arguments are good
};

// Reads the tool's arguments (the first one is the program name).
DevSimCommandLine parseDevSimCommandLine(const QStringList& arguments);
