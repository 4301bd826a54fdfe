#include "remote/RemoteLog.h"

#include <cstdio>

void RemoteLog(const QString& text) {
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "morvix: remote: %s\n", qPrintable(line));
}

QString PeerText(const QHostAddress& address) {
    bool v4 = false;
    const quint32 ip = address.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip).toString() : address.toString();
}
