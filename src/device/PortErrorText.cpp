#include "device/PortErrorText.h"

#include <cstring>

namespace {

QString PresentPorts(const std::vector<DiscoveredPort>& present) {
    if (present.empty())
        return QStringLiteral("No serial device is present. Is the adapter plugged in?");
    QString text = QStringLiteral("Serial devices present:");
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
        return QStringLiteral("No port has been chosen yet. Choose one with SETUP.");
    case PortErrorKind::NotFound:
        return QStringLiteral("No such device.\n") + PresentPorts(present);
    case PortErrorKind::PermissionDenied: {
        if (error.group.isEmpty() || error.group == QLatin1String("root"))
            return QStringLiteral("Permission denied.\n"
                                  "Ask the administrator for access to this device.");
        return QStringLiteral("Permission denied: the device belongs to the group \"%1\".\n"
                              "Join it with\n"
                              "    sudo usermod -aG %1 $USER\n"
                              "then log out and in again.")
            .arg(error.group);
    }
    case PortErrorKind::Busy:
        if (error.holderPid > 0)
            return QStringLiteral("In use: held by %1 (process %2).")
                .arg(error.holderName.isEmpty() ? QStringLiteral("another program")
                                                : error.holderName)
                .arg(error.holderPid);
        return QStringLiteral("In use by another program.");
    case PortErrorKind::NotATerminal:
        return QStringLiteral("This is not a serial port.");
    case PortErrorKind::SettingsRefused:
        return QStringLiteral("The port refused the line settings.");
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
