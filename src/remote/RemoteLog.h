#pragma once

#include <QString>

// One line on stderr, "morvix: remote: <text>". Never the token: callers pass no link or URL.
void RemoteLog(const QString& text);
