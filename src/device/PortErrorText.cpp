#include "device/PortErrorText.h"

#include <QCoreApplication>
#include <cstring>

namespace {

QString PresentPorts(const std::vector<DiscoveredPort>& present) {
    if (present.empty())
        return QCoreApplication::translate(
            "PortErrorText", "No serial device is present. Is the adapter plugged in?");
    QString text = QCoreApplication::translate("PortErrorText", "Serial devices present:");
    for (const DiscoveredPort& port : present) {
        text += QStringLiteral("\n  ") + port.path;
        if (port.label != port.path)
            text += QStringLiteral("  (") + port.label + u')';
    }
    return text;
}

QString Reason(const PortError& error, const std::vector<DiscoveredPort>& present) {
    switch (error.kind) {
    case PortErrorKind::None:
        return {};
    case PortErrorKind::NotChosen:
        return QCoreApplication::translate("PortErrorText",
                                           "No port has been chosen yet. Choose one with SETUP.");
    case PortErrorKind::NotFound:
        return QCoreApplication::translate("PortErrorText", "No such device.\n") +
               PresentPorts(present);
    case PortErrorKind::PermissionDenied: {
        if (error.group.isEmpty() || error.group == QLatin1String("root"))
            return QCoreApplication::translate("PortErrorText",
                                               "Permission denied.\n"
                                               "Ask the administrator for access to this device.");
        return QCoreApplication::translate(
                   "PortErrorText", "Permission denied: the device belongs to the group \"%1\".\n"
                                    "Join it with\n"
                                    "    sudo usermod -aG %1 $USER\n"
                                    "then log out and in again.")
            .arg(error.group);
    }
    case PortErrorKind::Busy: {
        if (error.holderPid <= 0)
            return QCoreApplication::translate("PortErrorText", "In use by another program.");
        const QString holder = error.holderName.isEmpty()
                                   ? QCoreApplication::translate("PortErrorText", "another program")
                                   : error.holderName;
        QString text =
            error.holderGuessed
                ? QCoreApplication::translate(
                      "PortErrorText",
                      "In use by another program; %1 (process %2) is running and may be the one.")
                      .arg(holder)
                      .arg(error.holderPid)
                : QCoreApplication::translate("PortErrorText", "In use: held by %1 (process %2).")
                      .arg(holder)
                      .arg(error.holderPid);
        if (error.holderName == QLatin1String("ModemManager"))
            text += QCoreApplication::translate(
                "PortErrorText",
                "\nModemManager probes new serial devices for modems. Tell it to leave this "
                "adapter alone with a udev rule that sets ENV{ID_MM_DEVICE_IGNORE}=\"1\" for "
                "it: Morvix installs one for the FTDI FT232R "
                "(/usr/lib/udev/rules.d/70-morvix.rules); for another adapter copy it to "
                "/etc/udev/rules.d/ with that adapter's numbers (lsusb). Then plug the adapter "
                "in again.");
        else if (error.holderName == QLatin1String("brltty"))
            text += QCoreApplication::translate(
                "PortErrorText",
                "\nbrltty, the braille display driver, claims some USB serial adapters as "
                "braille displays. Without a braille display remove it:\n"
                "    sudo apt remove brltty\n"
                "or mask its udev rules:\n"
                "    sudo ln -s /dev/null /etc/udev/rules.d/85-brltty.rules\n"
                "Then plug the adapter in again.");
        return text;
    }
    case PortErrorKind::NotATerminal:
        return QCoreApplication::translate("PortErrorText", "This is not a serial port.");
    case PortErrorKind::SettingsRefused:
        return QCoreApplication::translate("PortErrorText", "The port refused the line settings.");
    case PortErrorKind::Other:
        break;
    }
    return QString::fromLocal8Bit(std::strerror(error.errnum)) + u'.';
}

} // namespace

QString PortErrorText(const PortError& error, const std::vector<DiscoveredPort>& present) {
    const QString reason = Reason(error, present);
    if (error.kind == PortErrorKind::NotChosen || error.path.isEmpty())
        return reason;
    return error.path + u'\n' + reason;
}
