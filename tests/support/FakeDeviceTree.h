#pragma once

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A /dev and a /sys in a temporary folder, for port discovery: plain files stand for device
// nodes, by-id names are symbolic links to them as udev makes them.
class FakeDeviceTree {
public:
    QString dev() const { return m_dir.path() + QStringLiteral("/dev"); }
    QString sys() const { return m_dir.path() + QStringLiteral("/sys"); }

    // "ttyUSB0", "ttyS1", ...
    bool AddDevice(const QString& name) { return WriteAll(dev() + u'/' + name, {}); }
    // A ttyS with its sysfs type: 0 for a slot without a UART.
    bool AddUart(const QString& name, int type) {
        return AddDevice(name) &&
               WriteAll(sys() + QStringLiteral("/class/tty/") + name + QStringLiteral("/type"),
                        QByteArray::number(type) + '\n');
    }
    bool AddById(const QString& name, const QString& target) {
        const QString folder = dev() + QStringLiteral("/serial/by-id");
        return QDir().mkpath(folder) &&
               QFile::link(QStringLiteral("../../") + target, folder + u'/' + name);
    }
    // A USB serial adapter as sysfs shows it: plugged into `usbPort` ("1-2"), its interface 0
    // bound to `driver` as the tty `name`. An empty `serial` is left out, as on adapters without
    // one; a `latencyMs` of -1 leaves out the latency timer.
    bool AddUsbSerial(const QString& name, const QString& usbPort, const QString& vendor,
                      const QString& product, const QString& serial,
                      const QString& driver = QStringLiteral("ftdi_sio"), int latencyMs = -1) {
        const QString usb = sys() + QStringLiteral("/devices/pci0000:00/usb1/") + usbPort;
        const QString port = usb + u'/' + usbPort + QStringLiteral(":1.0/") + name;
        const QString driverFolder = sys() + QStringLiteral("/bus/usb-serial/drivers/") + driver;
        bool ok =
            AddDevice(name) && WriteAll(usb + QStringLiteral("/idVendor"), vendor.toUtf8()) &&
            WriteAll(usb + QStringLiteral("/idProduct"), product.toUtf8()) &&
            WriteAll(usb + u'/' + usbPort + QStringLiteral(":1.0/bInterfaceNumber"), "00") &&
            QDir().mkpath(port + QStringLiteral("/tty/") + name) && QDir().mkpath(driverFolder) &&
            QDir().mkpath(sys() + QStringLiteral("/class/tty")) &&
            QFile::link(driverFolder, port + QStringLiteral("/driver")) &&
            QFile::link(port, port + QStringLiteral("/tty/") + name + QStringLiteral("/device")) &&
            QFile::link(port + QStringLiteral("/tty/") + name,
                        sys() + QStringLiteral("/class/tty/") + name);
        if (ok && !serial.isEmpty())
            ok = WriteAll(usb + QStringLiteral("/serial"), serial.toUtf8() + '\n');
        if (ok && latencyMs >= 0)
            ok = WriteAll(port + QStringLiteral("/latency_timer"), QByteArray::number(latencyMs));
        return ok;
    }
    // Adapters, modems and UARTs as a typical desktop has them.
    bool AddTypical() {
        return AddDevice("ttyUSB0") && AddDevice("ttyUSB10") && AddDevice("ttyUSB2") &&
               AddDevice("ttyACM0") && AddDevice("rfcomm0") && AddDevice("tty0") &&
               AddDevice("ttyprintk") && AddUart("ttyS0", 4) && AddUart("ttyS1", 0) &&
               AddDevice("ttyS2") &&
               AddById("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "ttyUSB0") &&
               AddById("usb-Arduino__www.arduino.cc__0043_7573530323135-if00", "ttyACM0");
    }

private:
    QTemporaryDir m_dir;
};
