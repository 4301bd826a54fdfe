#include "RemoteRig.h"
#include "remote/RemoteListener.h"
#include "remote/RemoteProtocol.h"

#include <QElapsedTimer>
#include <QtTest>
#include <memory>
#include <vector>

namespace {

QByteArray Handshake(const RemoteRig& rig) {
    return "GET /ws?t=" + rig.Token().toLatin1() + " HTTP/1.1\r\nHost: " + rig.Host().toLatin1() +
           "\r\nOrigin: http://" + rig.Host().toLatin1() +
           "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
}

bool RoundTripPing(TestPage& page, const QString& token) {
    page.Send({{"t", token}, {"op", "ping"}});
    return !page.WaitFor("pong", 10000).isEmpty();
}

// Sockets the remote still holds: the listener's and the pages'.
int SocketsHeld(RemoteService& remote) {
    return static_cast<int>(remote.findChildren<QTcpSocket*>().size());
}

} // namespace

// The limits that keep the panel safe from its pages: how many, how fast, and what becomes of a
// page that goes quiet or vanishes.
class tst_RemoteLimits : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void seventeenthPage_turnedAway() {
        RemoteRig rig;
        START_RIG(rig);
        std::vector<std::unique_ptr<TestPage>> pages;
        for (int i = 0; i < RemoteProtocol::kMaxClients; ++i) {
            pages.push_back(std::make_unique<TestPage>(rig.Host()));
            QVERIFY(pages.back()->OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        }
        QCOMPARE(rig.remote.ClientCount(), RemoteProtocol::kMaxClients);
        TestPage extra(rig.Host());
        extra.Socket().open(rig.SocketUrl(rig.Token()));
        QVERIFY(extra.WaitClosed());
        QCOMPARE(extra.CloseCode(), RemoteProtocol::kCloseTooManyClients);
        QCOMPARE(extra.CloseReason(), QString(RemoteProtocol::kReasonTooManyClients));
        QCOMPARE(extra.Count("snapshot"), 0);
        // One leaves; the next one gets in.
        pages.front()->Socket().close();
        QTRY_COMPARE(rig.remote.ClientCount(), RemoteProtocol::kMaxClients - 1);
        TestPage next(rig.Host());
        QVERIFY(next.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
    }

    void sixteenReconnectingAtOnce_allServedNothingLeaks() {
        RemoteRig rig;
        START_RIG(rig);
        QSignalSpy counts(&rig.remote, &RemoteService::ClientCountChanged);
        for (int round = 0; round < 3; ++round) {
            std::vector<std::unique_ptr<TestPage>> pages;
            for (int i = 0; i < RemoteProtocol::kMaxClients; ++i) {
                pages.push_back(std::make_unique<TestPage>(rig.Host()));
                pages.back()->Socket().open(rig.SocketUrl(rig.Token()));
            }
            for (auto& page : pages)
                QVERIFY(!page->WaitFor("snapshot").isEmpty());
            QCOMPARE(rig.remote.ClientCount(), RemoteProtocol::kMaxClients);
            // A phone's network drops: the sockets vanish without a close.
            for (auto& page : pages)
                page->Socket().abort();
            QTRY_COMPARE(rig.remote.ClientCount(), 0);
        }
        QCOMPARE(counts.last().first().toInt(), 0);
        QTRY_COMPARE(SocketsHeld(rig.remote), 0);
        // The panel went on meanwhile.
        rig.PanelSetsLevel(0, 99);
        QTRY_COMPARE(rig.device.sim.channel(0).level, 99);
    }

    void tooManyMessages_droppedWithOneNotice() {
        RemoteRig rig;
        START_RIG(rig);
        TestPage page(rig.Host());
        QVERIFY(page.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        constexpr int kSent = 3 * RemoteProtocol::kMaxMessagesPerSecond;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kSent; ++i)
            page.Send({{"t", rig.Token()}, {"op", "ping"}, {"id", i}});
        QVERIFY(!page.WaitFor("notice").isEmpty());
        // Whatever passed has been answered once the burst is over and one more gets through.
        QTest::qWait(1100);
        const qint64 seconds = clock.elapsed() / 1000 + 1;
        page.Send({{"t", rig.Token()}, {"op", "ping"}});
        QTRY_VERIFY(page.Count("pong") > 0);
        QTest::qWait(100);
        const int pongs = page.Count("pong");
        QVERIFY2(pongs >= RemoteProtocol::kMaxMessagesPerSecond &&
                     pongs <= RemoteProtocol::kMaxMessagesPerSecond * seconds + 1,
                 qPrintable(QString::number(pongs)));
        QVERIFY2(page.Count("notice") + 1 <= seconds, qPrintable(QString::number(seconds)));
        QVERIFY(!page.Closed());
    }

    void droppedChange_neverReachesTheDevice() {
        RemoteRig rig;
        START_RIG(rig);
        TestPage page(rig.Host());
        QVERIFY(page.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        QSignalSpy announced(&rig.session, &DeviceSession::ChannelChanged);
        // The burst fills the allowance with pings; the level behind it is dropped, not queued.
        for (int i = 0; i < RemoteProtocol::kMaxMessagesPerSecond + 50; ++i)
            page.Send({{"t", rig.Token()}, {"op", "ping"}});
        page.Send({{"t", rig.Token()}, {"op", "level"}, {"ch", 1}, {"level", 200}});
        QVERIFY(!page.WaitFor("notice").isEmpty());
        QTRY_VERIFY(page.Count("pong") >= RemoteProtocol::kMaxMessagesPerSecond);
        QTest::qWait(200);
        QCOMPARE(announced.count(), 0);
        QCOMPARE(rig.session.Channels().Level(0), 0);
    }

    void pageThatNeverReads_droppedBeforeItsBacklogGrowsWithoutEnd() {
        RemoteRig rig;
        START_RIG(rig);
        TestPage healthy(rig.Host());
        QVERIFY(healthy.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        QTcpSocket stuck;
        stuck.setReadBufferSize(1);
        stuck.connectToHost(QHostAddress::LocalHost, quint16(rig.remote.BoundPort()));
        QVERIFY(stuck.waitForConnected(5000));
        stuck.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
        stuck.write(Handshake(rig));
        QTRY_COMPARE(rig.remote.ClientCount(), 2);
        // A script's changes, each announced to both; the stuck page takes none of them.
        int level = 0;
        for (int round = 0; round < 400 && rig.remote.ClientCount() == 2; ++round) {
            for (int i = 0; i < 200; ++i)
                rig.session.Request(SessionRequest::Level(1 + i % 8, ++level % 256),
                                    {ChangeOrigin::Kind::Script, 1});
            QTest::qWait(1);
        }
        QTRY_COMPARE(rig.remote.ClientCount(), 1);
        // The page that reads stays, and hears the rest.
        QVERIFY(RoundTripPing(healthy, rig.Token()));
        QVERIFY(!healthy.Closed());
    }

    void silentOrVanishingSocket_droppedAndPanelUnharmed_data() {
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("vanish");
        // Never answers a ping: a phone whose network went away without a word.
        QTest::newRow("half-open") << QByteArray() << false;
        // A masked text frame of 100 bytes announced, 3 sent.
        QTest::newRow("gone mid-message") << QByteArray::fromHex("8164a1b2c3d4616263") << true;
        QTest::newRow("gone mid-header") << QByteArray::fromHex("81") << true;
    }
    void silentOrVanishingSocket_droppedAndPanelUnharmed() {
        QFETCH(QByteArray, after);
        QFETCH(bool, vanish);
        RemoteRig rig;
        START_RIG(rig);
        rig.remote.SetPingTimes(100, 400);
        TestPage healthy(rig.Host());
        QVERIFY(healthy.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        QTcpSocket raw;
        raw.connectToHost(QHostAddress::LocalHost, quint16(rig.remote.BoundPort()));
        QVERIFY(raw.waitForConnected(5000));
        raw.write(Handshake(rig));
        QTRY_COMPARE(rig.remote.ClientCount(), 2);
        if (!after.isEmpty()) {
            raw.write(after);
            QVERIFY(raw.waitForBytesWritten(5000));
        }
        if (vanish)
            raw.abort();
        QTRY_COMPARE_WITH_TIMEOUT(rig.remote.ClientCount(), 1, 5000);
        // The page that answers its pings stays, and still hears the panel.
        QTest::qWait(600);
        QCOMPARE(rig.remote.ClientCount(), 1);
        rig.PanelSetsLevel(2, 42);
        QCOMPARE(healthy.WaitFor("channel").value("level").toInt(), 42);
        QTRY_COMPARE(SocketsHeld(rig.remote), 1);
    }
};

QTEST_GUILESS_MAIN(tst_RemoteLimits)
#include "tst_remotelimits.moc"
