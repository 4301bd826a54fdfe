#include "FakeDeviceTree.h"
#include "Pty.h"
#include "RxRecorder.h"
#include "device/CCom.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <poll.h>
#include <thread>
#include <unistd.h>

// Writing, closing and reopening, and what the port does when the other side misbehaves.
class tst_PortLifecycle : public QObject {
    Q_OBJECT

    static const std::uint8_t* data(const QByteArray& bytes) {
        return reinterpret_cast<const std::uint8_t*>(bytes.constData());
    }
    static qsizetype openDescriptors() { return QDir("/proc/self/fd").count(); }
    static qsizetype threads() { return QDir("/proc/self/task").count(); }
    static double processCpuMs() {
        timespec ts{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
    }

private Q_SLOTS:
    void frames_crossTheLineUnchanged_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("poll") << QByteArray::fromHex("950100000096");
        QTest::newRow("all off") << QByteArray::fromHex("9503080000a0");
        QTest::newRow("line ends") << QByteArray::fromHex("95020a010d0a");
        QTest::newRow("flow and signal characters") << QByteArray::fromHex("1113031a1c7f");
        QTest::newRow("extremes") << QByteArray::fromHex("00ff00ff8000");
    }
    void frames_crossTheLineUnchanged() {
        QFETCH(QByteArray, frame);
        QCOMPARE(frame.size(), 6);
        RecordedPort port;
        QVERIFY(port.Open());
        auto& [pty, com, rec] = port;

        QCOMPARE(com.Write(data(frame), 6), 6u);
        QCOMPARE(pty.readMaster(6), frame);

        QVERIFY(pty.writeMaster(frame));
        QTRY_COMPARE(rec.bursts.size(), 1);
        QCOMPARE(rec.bursts[0].count, quintptr(6));
        QCOMPARE(rec.bursts[0].buffer, frame);

        // A close right after the write (exit, Setup's reconnect) still lets the frame out whole.
        QCOMPARE(com.Write(data(frame), 6), 6u);
        QVERIFY(com.Close());
        QCOMPARE(pty.readMaster(6), frame);
        QCOMPARE(rec.closedNotices, 0);
    }

    void afterClose_notConnectedAndWriteFails() {
        PtyPair pty;
        QVERIFY(pty.ok());
        CCom com;
        com.Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
        QVERIFY(com.Open());
        QVERIFY(com.IsConnected());
        QVERIFY(com.Close());
        QVERIFY(!com.IsConnected());
        QCOMPARE(com.Write(data("abcdef"), 6), 0u);
        QVERIFY(com.Close());
        QVERIFY(pty.readMaster(1, 50).isEmpty());
    }

    void reopenWithoutClose_replacesTheWatcher() {
        PtyPair pty;
        QVERIFY(pty.ok());
        CCom com;
        RxRecorder rec(com);
        com.Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
        const qsizetype before = threads();
        QVERIFY(com.Open());
        QVERIFY(com.Open());
        QCOMPARE(threads(), before + 1);
        rec.Listen();
        QVERIFY(pty.writeMaster("u"));
        QTRY_COMPARE(rec.bursts.size(), 1);
        com.Close();
        QCOMPARE(threads(), before);
    }

    void writeToStalledDevice_givesUpWithinTimeout() {
        PtyPair pty;
        QVERIFY(pty.ok());
        CCom com;
        com.Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
        QVERIFY(com.Open());
        // Fill the line towards the master, which reads nothing, until no room is left.
        const QByteArray chunk(4096, 'x');
        for (;;) {
            while (::write(pty.peek(), chunk.constData(), chunk.size()) > 0) {
            }
            pollfd room{pty.peek(), POLLOUT, 0};
            if (::poll(&room, 1, 100) == 0)
                break;
        }
        const QByteArray frame = QByteArray::fromHex("950100000096");
        std::uint32_t written = 6;
        qint64 elapsed = 0;
        for (int i = 0; i < 10000 && written == 6; ++i) {
            QElapsedTimer timer;
            timer.start();
            written = com.Write(data(frame), 6);
            elapsed = timer.elapsed();
            QVERIFY2(elapsed < 35 + 250, qPrintable(QString::number(elapsed)));
        }
        QVERIFY2(written < 6, "the line was expected to be full");
        QVERIFY2(elapsed >= 34, qPrintable(QString::number(elapsed)));
        // Close waits for what was reported written, never for what could not be.
        QElapsedTimer closing;
        closing.start();
        QVERIFY(com.Close());
        QVERIFY2(closing.elapsed() < 35 + 250, qPrintable(QString::number(closing.elapsed())));
        QVERIFY(com.Open());

        // Once the device reads again, frames go through.
        while (!pty.readMaster(65536, 20).isEmpty()) {
        }
        QCOMPARE(com.Write(data(frame), 6), 6u);
        QCOMPARE(pty.readMaster(6), frame);
    }

    void openCloseCycles_withBytesInFlight() {
        PtyPair pty;
        QVERIFY(pty.ok());
        const qsizetype threadCount = threads();
        std::atomic<bool> stop{false};
        std::thread device([&] {
            const QByteArray flood("u12345u12345u12345");
            char sink[4096];
            while (!stop.load()) {
                pollfd p{pty.master(), POLLIN | POLLOUT, 0};
                if (::poll(&p, 1, 20) <= 0)
                    continue;
                if (p.revents & POLLIN) [[maybe_unused]]
                    auto n = ::read(pty.master(), sink, sizeof sink);
                if (p.revents & POLLOUT) [[maybe_unused]]
                    auto n = ::write(pty.master(), flood.constData(), flood.size());
                // Ten times what the line carries at 19200 baud, yet slow enough that the queue
                // runs dry now and then: a watcher hands over only once it has read it empty.
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });

        CCom com;
        RxRecorder rec(com);
        rec.Listen();
        com.Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
        const qsizetype descriptors = openDescriptors();
        const QByteArray frame = QByteArray::fromHex("950100000096");
        bool allOpened = true;
        bool allWritten = true;
        bool allReceived = true;
        for (int cycle = 0; cycle < 300; ++cycle) {
            allOpened = com.Open() && allOpened;
            allWritten = com.Write(data(frame), 6) == 6 && allWritten;
            // Every other cycle closes while a burst is being handed over or read.
            if (cycle % 2 == 0) {
                const qsizetype seen = rec.bursts.size();
                allReceived =
                    QTest::qWaitFor([&] { return rec.bursts.size() > seen; }) && allReceived;
            }
            com.Close();
            if (com.IsConnected())
                allOpened = false;
        }
        stop = true;
        device.join();

        QVERIFY(allOpened);
        QVERIFY(allWritten);
        QVERIFY(allReceived);
        QCOMPARE(rec.closedNotices, 0);
        for (const auto& burst : rec.bursts)
            QVERIFY(burst.count > 0 && burst.onOwnThread);
        QCOMPARE(openDescriptors(), descriptors);
        QCOMPARE(threads(), threadCount);
    }

    void deviceGone_watcherEndsQuietlyAndPortReopens() {
        CCom com;
        RxRecorder rec(com);
        {
            PtyPair pty;
            QVERIFY(pty.ok());
            com.Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
            QVERIFY(com.Open());
            rec.Listen();
            const qsizetype descriptors = openDescriptors();
            pty.closeMaster();
            QTRY_VERIFY(!com.IsConnected());
            // The owner hears of it once, so it can look for the device again; by then the
            // port's descriptors are closed (one held would keep the device's number taken).
            QTRY_COMPARE(rec.closedNotices, 1);
            QCOMPARE(openDescriptors(), descriptors - 3);

            const double before = processCpuMs();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            const double used = processCpuMs() - before;
            QVERIFY2(used < 50.0, qPrintable(QStringLiteral("%1 ms CPU").arg(used)));
            QVERIFY(com.Close());
        }
        PtyPair replacement;
        QVERIFY(replacement.ok());
        com.Configure(replacement.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
        QVERIFY(com.Open());
        QVERIFY(replacement.writeMaster("u"));
        QTRY_COMPARE(rec.bursts.size(), 1);
        QCOMPARE(rec.bursts[0].buffer.at(0), 'u');
    }

    // An adapter unplugged and plugged in again while another adapter took its old number: the
    // port opens the same adapter under its new number, never the other one. Pseudo-terminals
    // stand in for the adapters, a fake sysfs tells which adapter each one is.
    void adapterBack_underAnotherNumber_reopensThatAdapterOnly() {
        FakeDeviceTree tree;
        PtyPair first;
        PtyPair other;
        QVERIFY(first.ok() && other.ok());
        const auto plug = [&](const PtyPair& pty, const QString& name, const QString& serial) {
            const QString pts = QFileInfo(pty.slavePath()).fileName();
            QFile::remove(tree.dev() + '/' + name);
            return (QFileInfo::exists(tree.sys() + "/class/tty/" + pts) ||
                    tree.AddUsbSerial(pts, "1-" + serial, "0403", "6001", serial)) &&
                   QFile::link(pty.slavePath(), tree.dev() + '/' + name);
        };
        QVERIFY(plug(first, "ttyUSB0", "A1"));
        CCom com;
        RxRecorder rec(com);
        com.SetDiscoveryRoots({tree.dev(), tree.sys()});
        com.Configure(tree.dev() + "/ttyUSB0", 19200, 8, StopBits::One, Parity::Odd);
        QVERIFY(com.Open());
        rec.Listen();
        QCOMPARE(com.OpenedAdapter().Describe(), QString("0403:6001 serial A1"));
        first.closeMaster();
        QTRY_COMPARE(rec.closedNotices, 1);
        // While ours is away the other adapter takes the configured name: not ours to open.
        QVERIFY(plug(other, "ttyUSB0", "B2"));
        QCOMPARE(com.ReturnedPath(), QString());
        QVERIFY(!com.Reopen());
        QVERIFY(!com.IsConnected());
        QCOMPARE(com.LastError().kind, PortErrorKind::NotFound);
        const QByteArray frame("\x95\x01\x00\x00\x00\x96", 6);
        QCOMPARE(com.Write(data(frame), 6), 0u);
        QCOMPARE(other.readMaster(1, 50), QByteArray());

        PtyPair back;
        QVERIFY(back.ok());
        QVERIFY(plug(back, "ttyUSB1", "A1"));
        QCOMPARE(com.ReturnedPath(), tree.dev() + "/ttyUSB1");
        QVERIFY(com.Reopen());
        QCOMPARE(com.OpenedPath(), tree.dev() + "/ttyUSB1");
        QCOMPARE(com.PortName(), tree.dev() + "/ttyUSB0");
        QCOMPARE(com.Write(data(frame), 6), 6u);
        QCOMPARE(back.readMaster(6), frame);
        QCOMPARE(other.readMaster(1, 50), QByteArray());
    }
};

std::unique_ptr<QObject> makeLifecycleTest() {
    return std::make_unique<tst_PortLifecycle>();
}

#include "tst_portlifecycle.moc"
