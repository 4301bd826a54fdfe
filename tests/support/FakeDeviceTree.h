#pragma once

#include "TestFiles.h"

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
