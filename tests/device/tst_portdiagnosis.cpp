#include "FakeDeviceTree.h"
#include "OtherUserCopy.h"
#include "Pty.h"
#include "device/CCom.h"
#include "device/DeviceIdentity.h"
#include "device/PortDiscovery.h"
#include "device/PortErrorText.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <grp.h>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

Q_DECLARE_METATYPE(PortErrorKind)

// Which serial devices are present, and why a port did not open, over the real file system.
class tst_PortDiagnosis : public QObject {
    Q_OBJECT

    static PortError OpenError(const QString& name) {
        CCom com;
        com.Configure(name, 19200, 8, StopBits::One, Parity::Odd);
        if (com.Open())
            return {};
        return com.LastError();
    }

private Q_SLOTS:
    void discovery_fakeTree_data() {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QStringList>("expected"); // paths below the fake /dev, then labels
        QTest::newRow("typical desktop")
            << 0
            << QStringList{"serial/by-id/usb-Arduino__www.arduino.cc__0043_7573530323135-if00",
                           "serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
                           "ttyUSB0",
                           "ttyUSB2",
                           "ttyUSB10",
                           "ttyACM0",
                           "rfcomm0",
                           "ttyS0"};
        QTest::newRow("by-id link of a device already gone") << 1 << QStringList{"ttyUSB1"};
        QTest::newRow("UART slots without sysfs type") << 2 << QStringList{};
        QTest::newRow("nothing at all") << 3 << QStringList{};
    }
    void discovery_fakeTree() {
        QFETCH(int, layout);
        QFETCH(QStringList, expected);
        FakeDeviceTree tree;
        switch (layout) {
        case 0:
            QVERIFY(tree.AddTypical());
            break;
        case 1:
            QVERIFY(tree.AddDevice("ttyUSB1"));
            QVERIFY(tree.AddById("usb-Prolific_PL2303-if00-port0", "ttyUSB0"));
            break;
        case 2:
            QVERIFY(tree.AddDevice("ttyS0") && tree.AddDevice("ttyS1"));
            break;
        }
        QStringList found;
        for (const DiscoveredPort& port : DiscoverPorts({tree.dev(), tree.sys()}))
            found << port.path.mid(tree.dev().size() + 1);
        QCOMPARE(found, expected);
    }

    // Which adapter a path names, and where that adapter is after a replug: the same one under
    // another number, never another adapter that took its old number.
    void identity_fakeTree_data() {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QString>("opened");   // below the fake /dev, before the unplug
        QTest::addColumn<QString>("describe"); // what was remembered
        QTest::addColumn<QString>("after");    // FindAdapter after the replug; "" for none
        QTest::newRow("by-id name, back under another number")
            << 0 << "serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"
            << "0403:6001 serial A50285BI"
            << "ttyUSB1";
        QTest::newRow("another adapter took the old number") << 1 << "ttyUSB0"
                                                             << "0403:6001 serial A50285BI"
                                                             << "";
        QTest::newRow("with a serial number, another USB port is fine")
            << 2 << "ttyUSB0"
            << "0403:6001 serial A50285BI"
            << "ttyUSB3";
        QTest::newRow("without one, the USB port tells twins apart") << 3 << "ttyUSB1"
                                                                     << "1a86:7523 at USB port 1-2"
                                                                     << "ttyUSB0";
        QTest::newRow("without one, another USB port is another adapter")
            << 4 << "ttyUSB0"
            << "1a86:7523 at USB port 1-1"
            << "";
        QTest::newRow("mainboard UART: nothing to remember") << 5 << "ttyS0"
                                                             << "not a USB device"
                                                             << "";
        QTest::newRow("absent") << 6 << "ttyUSB9"
                                << "not a USB device"
                                << "";
    }
    void identity_fakeTree() {
        QFETCH(int, layout);
        QFETCH(QString, opened);
        QFETCH(QString, describe);
        QFETCH(QString, after);
        const QString ftdi = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
        FakeDeviceTree before;
        FakeDeviceTree replugged;
        switch (layout) {
        case 0:
            QVERIFY(before.AddUsbSerial("ttyUSB0", "1-1", "0403", "6001", "A50285BI") &&
                    before.AddById(ftdi, "ttyUSB0"));
            QVERIFY(replugged.AddUsbSerial("ttyUSB0", "1-2", "0403", "6001", "B00001") &&
                    replugged.AddUsbSerial("ttyUSB1", "1-1", "0403", "6001", "A50285BI") &&
                    replugged.AddById(ftdi, "ttyUSB1"));
            break;
        case 1:
            QVERIFY(before.AddUsbSerial("ttyUSB0", "1-1", "0403", "6001", "A50285BI"));
            QVERIFY(replugged.AddUsbSerial("ttyUSB0", "1-1", "0403", "6001", "B00001"));
            break;
        case 2:
            QVERIFY(before.AddUsbSerial("ttyUSB0", "1-1", "0403", "6001", "A50285BI"));
            QVERIFY(replugged.AddUsbSerial("ttyUSB3", "3-4.1", "0403", "6001", "A50285BI"));
            break;
        case 3:
            QVERIFY(before.AddUsbSerial("ttyUSB0", "1-1", "1a86", "7523", {}, "ch341") &&
                    before.AddUsbSerial("ttyUSB1", "1-2", "1a86", "7523", {}, "ch341"));
            QVERIFY(replugged.AddUsbSerial("ttyUSB0", "1-2", "1a86", "7523", {}, "ch341") &&
                    replugged.AddUsbSerial("ttyUSB1", "1-1", "1a86", "7523", {}, "ch341"));
            break;
        case 4:
            QVERIFY(before.AddUsbSerial("ttyUSB0", "1-1", "1a86", "7523", {}, "ch341"));
            QVERIFY(replugged.AddUsbSerial("ttyUSB0", "1-3", "1a86", "7523", {}, "ch341"));
            break;
        case 5:
            QVERIFY(before.AddUart("ttyS0", 4) && replugged.AddUart("ttyS0", 4));
            break;
        }
        const DeviceIdentity identity =
            IdentifyPort(before.dev() + u'/' + opened, {before.dev(), before.sys()});
        QCOMPARE(identity.Describe(), describe);
        const QString found = FindAdapter(identity, {replugged.dev(), replugged.sys()});
        QCOMPARE(found, after.isEmpty() ? QString() : replugged.dev() + u'/' + after);
    }

    void identity_driverAndLatency() {
        FakeDeviceTree tree;
        QVERIFY(tree.AddUsbSerial("ttyUSB0", "1-1", "0403", "6001", "A50285BI", "ftdi_sio", 16));
        QVERIFY(tree.AddUsbSerial("ttyUSB1", "1-2", "10c4", "ea60", "0001", "cp210x"));
        const DiscoveryRoots roots{tree.dev(), tree.sys()};
        QCOMPARE(IdentifyPort(tree.dev() + "/ttyUSB0", roots).driver, QString("ftdi_sio"));
        QCOMPARE(IdentifyPort(tree.dev() + "/ttyUSB0", roots).interface, QString("1.0"));
        QCOMPARE(AdapterLatencyMs(tree.dev() + "/ttyUSB0", roots), 16);
        QCOMPARE(AdapterLatencyMs(tree.dev() + "/ttyUSB1", roots), -1);
        QCOMPARE(AdapterLatencyMs(tree.dev() + "/ttyUSB7", roots), -1);
    }

    void discovery_readableByIdNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label");
        QTest::newRow("FTDI") << "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"
                              << "FTDI FT232R USB UART A50285BI";
        QTest::newRow("CDC, no port suffix") << "usb-1a86_USB_Serial-if00"
                                             << "1a86 USB Serial";
        QTest::newRow("nothing readable") << "usb-_-if00"
                                          << "usb-_-if00";
    }
    void discovery_readableByIdNames() {
        QFETCH(QString, name);
        QFETCH(QString, label);
        QCOMPARE(ReadableByIdName(name), label);
    }

    // What this machine has; nothing is opened, and every entry is a device that exists.
    void discovery_realDev() {
        const auto ports = DiscoverPorts();
        for (const DiscoveredPort& port : ports) {
            struct stat st {};
            QVERIFY2(::stat(QFile::encodeName(port.path).constData(), &st) == 0,
                     qPrintable(port.path));
            QVERIFY2(S_ISCHR(st.st_mode), qPrintable(port.path));
            QVERIFY(port.path.startsWith("/dev/"));
        }
    }

    void openError_reasonFromTheFileSystem_data() {
        QTest::addColumn<int>("setup");
        QTest::addColumn<PortErrorKind>("kind");
        QTest::newRow("missing path") << 0 << PortErrorKind::NotFound;
        QTest::newRow("missing name under /dev") << 1 << PortErrorKind::NotFound;
        QTest::newRow("NULL of a first start") << 2 << PortErrorKind::NotChosen;
        QTest::newRow("empty") << 3 << PortErrorKind::NotChosen;
        QTest::newRow("regular file") << 4 << PortErrorKind::NotATerminal;
        QTest::newRow("held by another descriptor") << 5 << PortErrorKind::Busy;
    }
    void openError_reasonFromTheFileSystem() {
        QFETCH(int, setup);
        QFETCH(PortErrorKind, kind);
        QTemporaryDir dir;
        PtyPair pty;
        QVERIFY(pty.ok());
        CCom holder;
        QString name;
        switch (setup) {
        case 0:
            name = dir.path() + "/ttyUSB7";
            break;
        case 1:
            name = "morvix-no-such-port";
            break;
        case 2:
            name = "NULL";
            break;
        case 4:
            name = dir.path() + "/plain";
            QVERIFY(WriteAll(name, "not a port"));
            break;
        case 5:
            name = pty.slavePath();
            holder.Configure(name, 19200, 8, StopBits::One, Parity::Odd);
            QVERIFY(holder.Open());
            break;
        }
        PortError error = OpenError(name);
        QCOMPARE(error.kind, kind);
        QCOMPARE(error.path, CCom::DevicePath(name));
        if (kind == PortErrorKind::Busy) {
            FindPortHolder(error);
            QCOMPARE(error.holderPid, qint64(::getpid()));
            QVERIFY(PortErrorText(error, {}).contains(QString("(process %1)").arg(::getpid())));
        }
        QCOMPARE(OpenError(CCom::DevicePath(pty.slavePath())).kind,
                 setup == 5 ? PortErrorKind::Busy : PortErrorKind::None);
    }

    // Another process holds the port, as a second panel or a terminal program would, while this
    // one keeps a descriptor of its own on it too: the holder named is the one with the lock.
    void busy_holderIsAnotherProcess() {
        PtyPair pty;
        QVERIFY(pty.ok());
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {"--hold", pty.slavePath()});
        QVERIFY(holder.waitForReadyRead(10000));
        QCOMPARE(holder.readLine(), QByteArray("held\n"));
        PortError error = OpenError(pty.slavePath());
        QCOMPARE(error.kind, PortErrorKind::Busy);
        FindPortHolder(error);
        const qint64 holderPid = holder.processId();
        holder.kill();
        holder.waitForFinished();
        QCOMPARE(error.holderPid, holderPid);
        QCOMPARE(error.holderName,
                 QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15));
        QVERIFY(!error.holderGuessed);
    }

    // What /proc tells when the holder's descriptors are out of sight (another user's process):
    // the lock table, else a running program known to grab serial devices, each with its fix.
    void busy_holderFromTheProcessTable_data() {
        QTest::addColumn<QByteArray>("locks"); // %1: this port's lock id
        QTest::addColumn<QByteArray>("running");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("guessed");
        QTest::addColumn<QString>("fix");
        QTest::newRow("lock table") << QByteArray("1: FLOCK  ADVISORY  WRITE 4242 %1 0 EOF\n"
                                                  "1: -> FLOCK  ADVISORY  WRITE 77 %1 0 EOF\n")
                                    << QByteArray("morvix") << "morvix" << false << "";
        QTest::newRow("another file's lock, ModemManager running")
            << QByteArray("1: FLOCK  ADVISORY  WRITE 4242 00:01:1 0 EOF\n")
            << QByteArray("ModemManager") << "ModemManager" << true << "ID_MM_DEVICE_IGNORE";
        QTest::newRow("brltty running")
            << QByteArray() << QByteArray("brltty") << "brltty" << true << "sudo apt remove brltty";
        QTest::newRow("nobody known") << QByteArray() << QByteArray("bash") << "" << false << "";
    }
    void busy_holderFromTheProcessTable() {
        QFETCH(QByteArray, locks);
        QFETCH(QByteArray, running);
        QFETCH(QString, name);
        QFETCH(bool, guessed);
        QFETCH(QString, fix);
        PtyPair pty;
        QVERIFY(pty.ok());
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(pty.slavePath()).constData(), &st), 0);
        const QByteArray id = QString("%1:%2:%3")
                                  .arg(major(st.st_dev), 2, 16, QChar('0'))
                                  .arg(minor(st.st_dev), 2, 16, QChar('0'))
                                  .arg(st.st_ino)
                                  .toLatin1();
        QTemporaryDir proc;
        QVERIFY(WriteAll(proc.filePath("locks"), locks.replace("%1", id)));
        QVERIFY(WriteAll(proc.filePath("4242/comm"), running + '\n'));
        QVERIFY(WriteAll(proc.filePath("self/comm"), "tst_port\n"));
        PortError error;
        error.kind = PortErrorKind::Busy;
        error.path = pty.slavePath();
        FindPortHolder(error, proc.path());
        QCOMPARE(error.holderName, name);
        QCOMPARE(error.holderPid, name.isEmpty() ? 0 : 4242);
        QCOMPARE(error.holderGuessed, guessed);
        const QString text = PortErrorText(error, {});
        QVERIFY2(text.contains(name.isEmpty() ? "In use by another program." : "(process 4242)"),
                 qPrintable(text));
        if (!fix.isEmpty())
            QVERIFY2(text.contains(fix), qPrintable(text));
    }

    // A user outside the device's group, as an operator new to the machine is.
    void openError_permissionDenied_namesTheGroup() {
        PtyPair pty;
        QVERIFY(pty.ok());
        const QByteArray path = QFile::encodeName(pty.slavePath());
        const group* dialout = ::getgrnam("dialout");
        const gid_t gid = dialout ? dialout->gr_gid : ::getegid();
        const QString groupName =
            dialout ? "dialout" : QString::fromLocal8Bit(::getgrgid(gid)->gr_name);
        QCOMPARE(::chown(path.constData(), ::geteuid(), gid), 0);
        QCOMPARE(::chmod(path.constData(), ::geteuid() == 0 ? 0660 : 0), 0);

        PortError error;
        if (::geteuid() == 0) {
            // Root opens anything: ask a user without groups, through this same program.
            const QString setpriv = QStandardPaths::findExecutable("setpriv");
            QVERIFY2(!setpriv.isEmpty(), "setpriv (util-linux) is needed when tests run as root");
            OtherUserCopy copy;
            QVERIFY(copy.Prepare());
            QProcess child;
            child.setProcessEnvironment(copy.environment());
            child.start(setpriv, {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                  copy.program(), "--try-open", pty.slavePath()});
            QVERIFY(child.waitForFinished(10000));
            const QStringList answer = QString::fromUtf8(child.readAllStandardOutput()).split(' ');
            QCOMPARE(answer.size(), 2);
            error.kind = static_cast<PortErrorKind>(answer[0].toInt());
            error.group = answer[1].trimmed();
            error.path = pty.slavePath();
        } else {
            error = OpenError(pty.slavePath());
        }
        QCOMPARE(error.kind, PortErrorKind::PermissionDenied);
        QCOMPARE(error.group, groupName);
        const QString text = PortErrorText(error, {});
        QVERIFY2(text.contains("sudo usermod -aG " + groupName + " $USER"), qPrintable(text));
        QVERIFY2(text.startsWith(pty.slavePath() + '\n'), qPrintable(text));
    }

    void errorText_missingDeviceOffersWhatIsPresent() {
        PortError error;
        error.kind = PortErrorKind::NotFound;
        error.path = "/dev/ttyUSB0";
        QCOMPARE(PortErrorText(error, {}),
                 QString("/dev/ttyUSB0\nNo such device.\n"
                         "No serial device is present. Is the adapter plugged in?"));
        QCOMPARE(PortErrorText(error, {{"/dev/serial/by-id/usb-X-if00", "X (ttyACM0)"},
                                       {"/dev/ttyACM0", "/dev/ttyACM0"}}),
                 QString("/dev/ttyUSB0\nNo such device.\nSerial devices present:\n"
                         "  /dev/serial/by-id/usb-X-if00  (X (ttyACM0))\n  /dev/ttyACM0"));
    }
};

// Run as another user by the permission test: opens the port and prints the kind and the group.
int tryOpenAsChild(const QString& path) {
    CCom com;
    com.Configure(path, 19200, 8, StopBits::One, Parity::Odd);
    com.Open();
    std::printf("%d %s\n", int(com.LastError().kind), qPrintable(com.LastError().group));
    return 0;
}

// Run by the busy-port test: holds the port as the panel does until it is killed.
int holdAsChild(const QString& path) {
    CCom com;
    com.Configure(path, 19200, 8, StopBits::One, Parity::Odd);
    if (!com.Open())
        return 1;
    std::printf("held\n");
    std::fflush(stdout);
    ::pause();
    return 0;
}

std::unique_ptr<QObject> makePortDiagnosisTest() {
    return std::make_unique<tst_PortDiagnosis>();
}

#include "tst_portdiagnosis.moc"
