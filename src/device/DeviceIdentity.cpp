#include "device/DeviceIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString ReadAttribute(const QString& folder, const char* name) {
    QFile file(folder + u'/' + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

// The tty's name in sysfs: the node's own name, after following by-id and other links.
QString TtyName(const QString& devicePath) {
    const QFileInfo info(devicePath);
    const QString target = info.isSymLink() ? info.canonicalFilePath() : devicePath;
    return target.isEmpty() ? QString() : QFileInfo(target).fileName();
}

// The tty's device folder in sysfs, links resolved: ".../usb1/1-1/1-1:1.0/ttyUSB0".
QString TtyDeviceFolder(const QString& devicePath, const DiscoveryRoots& roots) {
    const QString name = TtyName(devicePath);
    if (name.isEmpty())
        return {};
    return QFileInfo(roots.sys + QStringLiteral("/class/tty/") + name + QStringLiteral("/device"))
        .canonicalFilePath();
}

} // namespace

bool DeviceIdentity::SameAdapter(const DeviceIdentity& other) const {
    if (!IsKnown() || vendor != other.vendor || product != other.product ||
        serial != other.serial || interface != other.interface)
        return false;
    return !serial.isEmpty() || usbPort == other.usbPort;
}

QString DeviceIdentity::Describe() const {
    if (!IsKnown())
        return QStringLiteral("not a USB device");
    const QString id = vendor + u':' + product;
    return serial.isEmpty() ? QStringLiteral("%1 at USB port %2").arg(id, usbPort)
                            : QStringLiteral("%1 serial %2").arg(id, serial);
}

DeviceIdentity IdentifyPort(const QString& devicePath, const DiscoveryRoots& roots) {
    DeviceIdentity identity;
    const QString ttyDevice = TtyDeviceFolder(devicePath, roots);
    if (ttyDevice.isEmpty())
        return identity;
    identity.driver =
        QFileInfo(QFileInfo(ttyDevice + QStringLiteral("/driver")).symLinkTarget()).fileName();
    // Up from the tty: first the USB interface ("1-1:1.0"), then the USB device ("1-1") that
    // carries the maker's and model's numbers. A UART on the mainboard has neither.
    // From the tty up: the USB interface ("1-1:1.0"; an ACM tty's device is the interface
    // itself), then the USB device ("1-1") with the maker's and model's numbers. A UART on the
    // mainboard has neither.
    QDir folder(ttyDevice);
    for (int depth = 0; depth < 5; ++depth) {
        const QString path = folder.absolutePath();
        if (identity.interface.isEmpty() && QFileInfo::exists(path + "/bInterfaceNumber")) {
            const QString name = folder.dirName();
            identity.interface = name.mid(name.indexOf(u':') + 1);
        } else if (QFileInfo::exists(path + "/idVendor")) {
            identity.vendor = ReadAttribute(path, "idVendor");
            identity.product = ReadAttribute(path, "idProduct");
            identity.serial = ReadAttribute(path, "serial");
            identity.usbPort = folder.dirName();
            break;
        }
        if (!folder.cdUp())
            break;
    }
    if (!identity.IsKnown())
        return DeviceIdentity{{}, {}, {}, {}, {}, identity.driver};
    return identity;
}

QString FindAdapter(const DeviceIdentity& identity, const DiscoveryRoots& roots) {
    if (!identity.IsKnown())
        return {};
    const QStringList names =
        QDir(roots.dev).entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                  QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QString path = roots.dev + u'/' + name;
        if (IdentifyPort(path, roots).SameAdapter(identity))
            return path;
    }
    return {};
}

int AdapterLatencyMs(const QString& devicePath, const DiscoveryRoots& roots) {
    const QString ttyDevice = TtyDeviceFolder(devicePath, roots);
    if (ttyDevice.isEmpty())
        return -1;
    bool ok = false;
    const int ms = ReadAttribute(ttyDevice, "latency_timer").toInt(&ok);
    return ok ? ms : -1;
}
