#pragma once

#include <QString>
#include <vector>

// A serial device present on the machine: its full path (what the settings keep) and what a list
// shows for it.
struct DiscoveredPort {
    QString path;
    QString label;

    friend bool operator==(const DiscoveredPort&, const DiscoveredPort&) = default;
};

// Where discovery looks; tests point both at a fake tree.
struct DiscoveryRoots {
    QString dev = QStringLiteral("/dev");
    QString sys = QStringLiteral("/sys");
};

// The serial devices present: stable udev names under serial/by-id first, then ttyUSB, ttyACM,
// rfcomm and the ttyS that are real UARTs, each group in numeric order. Reads directory entries
// and sysfs attributes only; no port is opened.
std::vector<DiscoveredPort> DiscoverPorts(const DiscoveryRoots& roots = {});

// The readable part of a by-id name: "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0" gives
// "FTDI FT232R USB UART A50285BI".
QString ReadableByIdName(const QString& fileName);
