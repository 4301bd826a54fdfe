#include "remote/RemoteLog.h"

#include <cstdio>

void RemoteLog(const QString& text) {
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "morvix: remote: %s\n", qPrintable(line));
}
