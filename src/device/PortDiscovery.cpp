#include "device/PortDiscovery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace {

// "ttyUSB10" after "ttyUSB2": by the number after the name's letters.
bool NumericLess(const QString& a, const QString& b) {
    static const QRegularExpression trailing(QStringLiteral("^(.*?)(\\d+)$"));
    const auto ma = trailing.match(a);
    const auto mb = trailing.match(b);
    if (ma.hasMatch() && mb.hasMatch() && ma.captured(1) == mb.captured(1))
        return ma.captured(2).toULongLong() < mb.captured(2).toULongLong();
    return a < b;
}

QStringList Entries(const QString& folder, const QString& pattern) {
    QStringList names =
        QDir(folder).entryList({pattern}, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end(), NumericLess);
    return names;
}

// The serial8250 driver makes ttyS0..31 whether or not a UART answers there; sysfs says which are
// real (type 0 is "unknown").
bool IsRealUart(const QString& sysRoot, const QString& name) {
    QFile type(sysRoot + QStringLiteral("/class/tty/") + name + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    const int value = type.readAll().trimmed().toInt(&ok);
    return ok && value != 0;
}

} // namespace

QString ReadableByIdName(const QString& fileName) {
    static const QRegularExpression bus(QStringLiteral("^[a-z0-9]+-"));
    static const QRegularExpression interface(QStringLiteral("-if\\d+(-port\\d+)?$"));
    QString name = fileName;
    name.remove(bus);
    name.remove(interface);
    name.replace(u'_', u' ');
    name = name.simplified();
    return name.isEmpty() ? fileName : name;
}

std::vector<DiscoveredPort> DiscoverPorts(const DiscoveryRoots& roots) {
    std::vector<DiscoveredPort> ports;
    const QString byId = roots.dev + QStringLiteral("/serial/by-id");
    for (const QString& name : Entries(byId, QStringLiteral("*"))) {
        const QString path = byId + u'/' + name;
        const QString target = QFileInfo(path).symLinkTarget();
        // A link left behind by a device already gone leads nowhere.
        if (!target.isEmpty() && !QFileInfo::exists(target))
            continue;
        QString label = ReadableByIdName(name);
        if (!target.isEmpty())
            label += QStringLiteral(" (%1)").arg(QFileInfo(target).fileName());
        ports.push_back({path, label});
    }
    for (const char* pattern : {"ttyUSB*", "ttyACM*", "rfcomm*", "ttyS*"}) {
        const bool uart = QLatin1String(pattern) == QLatin1String("ttyS*");
        for (const QString& name : Entries(roots.dev, QLatin1String(pattern))) {
            if (uart && !IsRealUart(roots.sys, name))
                continue;
            const QString path = roots.dev + u'/' + name;
            ports.push_back({path, path});
        }
    }
    return ports;
}
