#pragma once

#include "device/PortDiscovery.h"

#include <QString>

// Which adapter a serial device is, as sysfs tells it, so the same adapter can be found again
// after it was unplugged, under whatever name the kernel gives it then. Read from sysfs only;
// nothing is opened.
struct DeviceIdentity {
    QString vendor;    // idVendor, "0403"
    QString product;   // idProduct, "6001"
    QString serial;    // the USB serial number; empty on adapters without one (CH340)
    QString usbPort;   // where it is plugged in: the USB device's sysfs name, "1-1.2"
    QString interface; // which of its interfaces: "1.0" (configuration.interface)
    QString driver;    // "ftdi_sio", "cdc_acm", ...

    // A USB device was found behind the path.
    bool IsKnown() const { return !vendor.isEmpty() && !product.isEmpty(); }
    // The same adapter: same maker, model, serial number and interface wherever it is plugged in;
    // without a serial number it can only be told by the USB port it is plugged into.
    bool SameAdapter(const DeviceIdentity& other) const;
    // "0403:6001 serial A50285BI" or "0403:6001 at USB port 1-1.2", for the log.
    QString Describe() const;
};

// The identity of the serial device at `devicePath` (a node, a by-id link or any other symbolic
// link to one); unknown when it is not a USB device or not there.
DeviceIdentity IdentifyPort(const QString& devicePath, const DiscoveryRoots& roots = {});

// Where the adapter `identity` is present now: the path of a USB serial node (ttyUSB*, ttyACM*)
// whose identity is the same adapter; empty while it is away. Never another adapter.
QString FindAdapter(const DeviceIdentity& identity, const DiscoveryRoots& roots = {});

// The adapter's receive latency in milliseconds (an FTDI adapter's latency timer, after which it
// hands over even a partly filled buffer); -1 when the device has none.
int AdapterLatencyMs(const QString& devicePath, const DiscoveryRoots& roots = {});
