#include "remote/RemoteHosts.h"

#include <QNetworkInterface>

namespace {

QList<QHostAddress> OwnAddresses() {
    QList<QHostAddress> addresses;
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
        const auto flags = i.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : i.addressEntries())
            addresses.append(entry.ip());
    }
    return addresses;
}

} // namespace

QString LanAddress() {
    for (const QHostAddress& address : OwnAddresses())
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            return address.toString();
    return {};
}

QList<QByteArray> AllowedHosts(bool lan, int port) {
    const QByteArray suffix = ':' + QByteArray::number(port);
    QList<QByteArray> hosts{"127.0.0.1" + suffix, "[::1]" + suffix, "localhost" + suffix};
    if (!lan)
        return hosts;
    for (QHostAddress address : OwnAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            hosts.append(address.toString().toLatin1() + suffix);
        } else {
            // A browser names a link-local address without its zone.
            address.setScopeId(QString());
            hosts.append('[' + address.toString().toLower().toLatin1() + ']' + suffix);
        }
    }
    return hosts;
}
