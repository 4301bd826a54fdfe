#pragma once

#include <QHostAddress>
#include <QString>

// One line on stderr, "morvix: remote: <text>". Never the token: callers pass no link or URL.
void RemoteLog(const QString& text);

// A peer as the operator knows it: an IPv4 address on a dual-stack socket without its "::ffff:".
QString PeerText(const QHostAddress& address);
