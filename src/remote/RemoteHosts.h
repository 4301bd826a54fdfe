#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The machine's IPv4 address on the local network: the first one of an interface that is up and
// not a loopback; empty when there is none.
QString LanAddress();
// Every "host:port" a request may name in its Host header, lower case: the loopback names, and
// with `lan` the machine's own addresses.
QList<QByteArray> AllowedHosts(bool lan, int port);
