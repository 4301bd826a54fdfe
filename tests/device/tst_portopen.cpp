#include "Pty.h"
#include "device/CCom.h"
#include "device/LineSettings.h"

#include <QStringList>
#include <QTest>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

class tst_PortOpen : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void devicePath_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("device path") << "/dev/ttyUSB0"
                                     << "/dev/ttyUSB0";
        QTest::newRow("any absolute path") << "/tmp/port"
                                           << "/tmp/port";
        QTest::newRow("COM1") << "COM1"
                              << "/dev/ttyS0";
        QTest::newRow("COM10") << "COM10"
                               << "/dev/ttyS9";
        QTest::newRow("lower case") << "com2"
                                    << "/dev/ttyS1";
        QTest::newRow("COM0 has no ttyS") << "COM0"
                                          << "/dev/COM0";
        QTest::newRow("COM without number") << "COM"
                                            << "/dev/COM";
        QTest::newRow("COM signed") << "COM+1"
                                    << "/dev/COM+1";
        QTest::newRow("COM letters") << "COMX"
                                     << "/dev/COMX";
        QTest::newRow("bare name") << "ttyUSB0"
                                   << "/dev/ttyUSB0";
        QTest::newRow("relative path") << "pts/3"
                                       << "/dev/pts/3";
        QTest::newRow("empty") << ""
                               << "";
    }
    void devicePath() {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(CCom::DevicePath(name), path);
    }

    void missingPort_failsWithoutMessage_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("absolute") << "/dev/morvix-no-such-port";
        QTest::newRow("looked up under /dev") << "morvix-no-such-port";
        QTest::newRow("empty") << "";
        // Cut at the NUL this would be a real device.
        QTest::newRow("NUL inside") << QString::fromLatin1("/dev/ptmx\0junk", 14);
    }
    void missingPort_failsWithoutMessage() {
        QFETCH(QString, name);
        CCom com;
        com.Configure(name, 19200, 8, StopBits::One, Parity::Odd);
        QVERIFY(!com.Open());
        QVERIFY(!com.IsConnected());
        QVERIFY(com.LastError().text.isEmpty());
        QCOMPARE(com.Write(reinterpret_cast<const std::uint8_t*>("abcdef"), 6), 0u);
    }

    void portInUse_secondOpenerRefusedUntilClosed() {
        PtyPair pty;
        QVERIFY(pty.ok());
        CCom first;
        CCom second;
        first.Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
        second.Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
        QVERIFY(first.Open());
        QVERIFY(!second.Open());
        QVERIFY(second.LastError().text.isEmpty());
        first.Close();
        QVERIFY(second.Open());
    }

    void lineSettings_seenFromTheOtherSide_data() {
        using enum StopBits;
        using enum Parity;
        QTest::addColumn<uint>("baud");
        QTest::addColumn<StopBits>("stopBits");
        QTest::addColumn<Parity>("parity");
        QTest::addColumn<uint>("speed");
        QTest::addColumn<bool>("twoStopBits");
        QTest::newRow("the program's settings") << 19200u << One << Odd << uint(B19200) << false;
        QTest::newRow("9600, two stop bits, even") << 9600u << Two << Even << uint(B9600) << true;
        QTest::newRow("115200, no parity") << 115200u << One << None << uint(B115200) << false;
    }
    void lineSettings_seenFromTheOtherSide() {
        QFETCH(uint, baud);
        QFETCH(StopBits, stopBits);
        QFETCH(Parity, parity);
        QFETCH(uint, speed);
        QFETCH(bool, twoStopBits);
        PtyPair pty;
        QVERIFY(pty.ok());
        // Start from a cooked line with flow control, which the port has to undo.
        termios cooked = pty.slaveSettings();
        cooked.c_cflag |= CRTSCTS;
        cooked.c_iflag |= IXON | IXOFF | ICRNL;
        cooked.c_lflag |= ICANON | ECHO | ISIG;
        cfsetspeed(&cooked, B2400);
        QCOMPARE(::tcsetattr(pty.peek(), TCSANOW, &cooked), 0);

        CCom com;
        com.Configure(pty.slavePath(), baud, 8, stopBits, parity);
        QVERIFY(com.Open());
        const termios tio = pty.slaveSettings();
        QCOMPARE(uint(cfgetospeed(&tio)), speed);
        QCOMPARE(uint(cfgetispeed(&tio)), speed);
        QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(tio.c_cflag & (CREAD | CLOCAL), tcflag_t(CREAD | CLOCAL));
        QCOMPARE(tio.c_cflag & CRTSCTS, tcflag_t(0));
        QCOMPARE((tio.c_cflag & CSTOPB) != 0, twoStopBits);
        QCOMPARE(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), tcflag_t(0));
        QCOMPARE(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
        QCOMPARE(tio.c_oflag & OPOST, tcflag_t(0));
    }

    void refusedSetting_reportsDcbErrorAndReleasesPort_data() {
        using enum StopBits;
        using enum Parity;
        QTest::addColumn<uint>("baud");
        QTest::addColumn<uint>("byteSize");
        QTest::addColumn<StopBits>("stopBits");
        QTest::addColumn<Parity>("parity");
        QTest::addColumn<bool>("notATerminal");
        QTest::newRow("parity 7") << 19200u << 8u << One << Parity(7) << false;
        QTest::newRow("parity 5") << 19200u << 8u << One << Parity(5) << false;
        QTest::newRow("one and a half stop bits") << 19200u << 8u << OneAndHalf << Odd << false;
        QTest::newRow("stop code 3") << 19200u << 8u << StopBits(3) << Odd << false;
        QTest::newRow("9 data bits") << 19200u << 9u << One << Odd << false;
        QTest::newRow("unknown baud rate") << 12345u << 8u << One << Odd << false;
        QTest::newRow("not a terminal") << 19200u << 8u << One << Odd << true;
    }
    void refusedSetting_reportsDcbErrorAndReleasesPort() {
        QFETCH(uint, baud);
        QFETCH(uint, byteSize);
        QFETCH(StopBits, stopBits);
        QFETCH(Parity, parity);
        QFETCH(bool, notATerminal);
        PtyPair pty;
        QVERIFY(pty.ok());
        const QString path = notATerminal ? QStringLiteral("/dev/null") : pty.slavePath();
        CCom com;
        com.Configure(path, baud, static_cast<std::uint8_t>(byteSize), stopBits, parity);
        QVERIFY(!com.Open());
        QVERIFY(!com.IsConnected());
        QCOMPARE(com.LastError().text, QStringLiteral("Connect Failed. DCB Setting Error"));
        QCOMPARE(com.LastError().caption, QStringLiteral("Morvix"));
        QCOMPARE(com.Write(reinterpret_cast<const std::uint8_t*>("abcdef"), 6), 0u);

        CCom other;
        other.Configure(path, 19200, 8, StopBits::One, Parity::Odd);
        QCOMPARE(other.Open(), !notATerminal);
    }

    void makeLineSettings_data() {
        using enum StopBits;
        using enum Parity;
        QTest::addColumn<uint>("baud");
        QTest::addColumn<uint>("byteSize");
        QTest::addColumn<StopBits>("stopBits");
        QTest::addColumn<Parity>("parity");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<uint>("cflagBits"); // of CSIZE | PARENB | PARODD | CMSPAR | CSTOPB
        const uint cs8 = CS8;
        QTest::newRow("8O1") << 19200u << 8u << One << Odd << true << uint(cs8 | PARENB | PARODD);
        QTest::newRow("8N1") << 19200u << 8u << One << None << true << cs8;
        QTest::newRow("8E1") << 19200u << 8u << One << Even << true << uint(cs8 | PARENB);
        QTest::newRow("8M1") << 19200u << 8u << One << Mark << true
                             << uint(cs8 | PARENB | PARODD | CMSPAR);
        QTest::newRow("8S1") << 19200u << 8u << One << Space << true << uint(cs8 | PARENB | CMSPAR);
        QTest::newRow("7O2") << 9600u << 7u << Two << Odd << true
                             << uint(CS7 | PARENB | PARODD | CSTOPB);
        QTest::newRow("5N1") << 9600u << 5u << One << None << true << uint(CS5);
        QTest::newRow("parity 5") << 19200u << 8u << One << Parity(5) << false << 0u;
        QTest::newRow("stop 1.5") << 19200u << 8u << OneAndHalf << None << false << 0u;
        QTest::newRow("4 data bits") << 19200u << 4u << One << None << false << 0u;
        QTest::newRow("baud 0") << 0u << 8u << One << None << false << 0u;
    }
    void makeLineSettings() {
        QFETCH(uint, baud);
        QFETCH(uint, byteSize);
        QFETCH(StopBits, stopBits);
        QFETCH(Parity, parity);
        QFETCH(bool, accepted);
        QFETCH(uint, cflagBits);
        termios tio;
        std::memset(&tio, 0xff, sizeof tio); // every flag set that must end up cleared
        const LineSettings settings{baud, static_cast<std::uint8_t>(byteSize), stopBits, parity};
        QCOMPARE(MakeLineSettings(tio, settings), accepted);
        if (!accepted)
            return;
        QCOMPARE(uint(tio.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB)), cflagBits);
        QCOMPARE(cfgetospeed(&tio), *BaudConstant(baud));
        QCOMPARE(tio.c_cflag & (CREAD | CLOCAL), tcflag_t(CREAD | CLOCAL));
        QCOMPARE(tio.c_cflag & CRTSCTS, tcflag_t(0));
        QCOMPARE(tio.c_iflag & (IXON | IXOFF | IXANY), tcflag_t(0));
        QCOMPARE(tio.c_cc[VMIN], cc_t(0));
    }

    void settingsTaken_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("taken");
        QTest::newRow("as asked") << 0 << true;
        QTest::newRow("parity dropped") << 1 << true;
        QTest::newRow("size forced to 8") << 2 << true;
        QTest::newRow("speed kept old") << 3 << false;
        QTest::newRow("flow control kept") << 4 << false;
        QTest::newRow("still canonical") << 5 << false;
        QTest::newRow("stop bits ignored") << 6 << false;
    }
    void settingsTaken() {
        QFETCH(int, change);
        QFETCH(bool, taken);
        termios wanted{};
        QVERIFY(MakeLineSettings(wanted, LineSettings{19200, 7, StopBits::Two, Parity::Odd}));
        termios actual = wanted;
        switch (change) {
        case 1:
            actual.c_cflag &= ~tcflag_t(PARENB);
            break;
        case 2:
            actual.c_cflag = (actual.c_cflag & ~tcflag_t(CSIZE)) | CS8;
            break;
        case 3:
            cfsetspeed(&actual, B9600);
            break;
        case 4:
            actual.c_cflag |= CRTSCTS;
            break;
        case 5:
            actual.c_lflag |= ICANON;
            break;
        case 6:
            actual.c_cflag &= ~tcflag_t(CSTOPB);
            break;
        }
        QCOMPARE(SettingsTaken(wanted, actual), taken);
    }

    void reopen_acceptsSettingsTheLineAlreadyHas() {
        PtyPair pty;
        QVERIFY(pty.ok());
        CCom com;
        com.Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(com.Open());
            QVERIFY(com.Close());
        }
        com.Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Even);
        QVERIFY(com.Open());
        QVERIFY(com.LastError().text.isEmpty());
    }

    void noWakeDescriptor_reportsEventErrorAndFails() {
        PtyPair pty;
        QVERIFY(pty.ok());
        CCom com;
        com.Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);

        // Leave room for exactly one more descriptor: the port gets it, the wake-up one cannot.
        const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        QVERIFY(lowestFree >= 0);
        ::close(lowestFree);
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit tight = saved;
        tight.rlim_cur = static_cast<rlim_t>(lowestFree) + 1;
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &tight), 0);
        const bool opened = com.Open();
        ::setrlimit(RLIMIT_NOFILE, &saved);

        QVERIFY(!opened);
        QVERIFY(!com.IsConnected());
        QCOMPARE(com.LastError().text, QStringLiteral("Failed to create event for thread!"));
        QCOMPARE(com.LastError().caption, QStringLiteral("com Error!"));
        QVERIFY(com.Open());
    }
};

#include "tst_portopen.moc"

std::unique_ptr<QObject> makePortOpenTest() {
    return std::make_unique<tst_PortOpen>();
}
