#include "RemoteRig.h"
#include "remote/RemoteHosts.h"
#include "remote/RemoteListener.h"
#include "remote/RemoteProtocol.h"

#include <QtTest>

namespace {

QByteArray Upgrade(const QByteArray& target, const QByteArray& host, const QByteArray& origin) {
    QByteArray request = "GET " + target + " HTTP/1.1\r\n";
    if (!host.isNull())
        request += "Host: " + host + "\r\n";
    if (!origin.isNull())
        request += "Origin: " + origin + "\r\n";
    return request +
           "Upgrade: websocket\r\nConnection: Upgrade\r\n"
           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
}

QByteArray StatusLine(const QByteArray& answer) {
    return answer.left(answer.indexOf("\r\n"));
}

QByteArray HeaderOf(const QByteArray& answer, const QByteArray& name) {
    for (const QByteArray& line : answer.left(answer.indexOf("\r\n\r\n")).split('\n'))
        if (line.toLower().startsWith(name.toLower() + ':'))
            return line.mid(name.size() + 1).trimmed();
    return {};
}

} // namespace

// Who may reach the remote, and with what: the HTTP routes, the Host and Origin checks before the
// upgrade, and the token after it.
class tst_RemoteAccess : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void httpRequest_answeredByRoute_data() {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("type");
        QTest::newRow("page") << QByteArray("GET") << QByteArray("/") << QByteArray("200 OK")
                              << QByteArray("text/html; charset=utf-8");
        QTest::newRow("page's head")
            << QByteArray("HEAD") << QByteArray("/") << QByteArray("200 OK")
            << QByteArray("text/html; charset=utf-8");
        QTest::newRow("script") << QByteArray("GET") << QByteArray("/app.js")
                                << QByteArray("200 OK")
                                << QByteArray("text/javascript; charset=utf-8");
        QTest::newRow("style") << QByteArray("GET") << QByteArray("/style.css")
                               << QByteArray("200 OK") << QByteArray("text/css; charset=utf-8");
        QTest::newRow("query ignored")
            << QByteArray("GET") << QByteArray("/app.js?v=2") << QByteArray("200 OK")
            << QByteArray("text/javascript; charset=utf-8");
        QTest::newRow("unknown file")
            << QByteArray("GET") << QByteArray("/set.ini") << QByteArray("404 Not Found")
            << QByteArray("text/plain; charset=utf-8");
        QTest::newRow("climbing out")
            << QByteArray("GET") << QByteArray("/../remote.ini") << QByteArray("404 Not Found")
            << QByteArray("text/plain; charset=utf-8");
        QTest::newRow("post") << QByteArray("POST") << QByteArray("/")
                              << QByteArray("405 Method Not Allowed")
                              << QByteArray("text/plain; charset=utf-8");
        QTest::newRow("put on the socket")
            << QByteArray("PUT") << QByteArray("/ws") << QByteArray("405 Method Not Allowed")
            << QByteArray("text/plain; charset=utf-8");
        QTest::newRow("socket without upgrade")
            << QByteArray("GET") << QByteArray("/ws?t=x") << QByteArray("426 Upgrade Required")
            << QByteArray("text/plain; charset=utf-8");
    }
    void httpRequest_answeredByRoute() {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, type);
        RemoteRig rig;
        START_RIG(rig);
        const QByteArray host = rig.Host().toLatin1();
        const QByteArray answer = HttpExchange(
            rig.remote.BoundPort(),
            method + ' ' + target + " HTTP/1.1\r\nHost: " + host + "\r\nContent-Length: 0\r\n\r\n");
        QCOMPARE(StatusLine(answer), "HTTP/1.1 " + status);
        QCOMPARE(HeaderOf(answer, "Content-Type"), type);
        QCOMPARE(HeaderOf(answer, "Cache-Control"), QByteArray("no-store"));
        QCOMPARE(HeaderOf(answer, "X-Content-Type-Options"), QByteArray("nosniff"));
        QCOMPARE(HeaderOf(answer, "Referrer-Policy"), QByteArray("no-referrer"));
        const QByteArray csp = HeaderOf(answer, "Content-Security-Policy");
        QVERIFY2(csp.startsWith("default-src 'none'; script-src 'self'; style-src 'self';"), csp);
        const QByteArray body = answer.mid(answer.indexOf("\r\n\r\n") + 4);
        QCOMPARE(HeaderOf(answer, "Content-Length").toInt(),
                 method == "HEAD" ? QFile(":/remote/index.html").size() : body.size());
        if (method == "HEAD")
            QVERIFY(body.isEmpty());
        if (status.startsWith("200")) {
            QVERIFY(csp.contains("connect-src 'self' ws://" + host + ";"));
            QVERIFY(!body.isEmpty() || method == "HEAD");
        }
        // No request changes anything.
        QCOMPARE(rig.device.sim.frameCount(), 0);
        QCOMPARE(rig.remote.ClientCount(), 0);
    }

    void upgrade_refusedBeforeItCompletesUnlessHostAndOriginAreOurs_data() {
        QTest::addColumn<QByteArray>("host");   // PORT is the bound port
        QTest::addColumn<QByteArray>("origin"); // null: no Origin header
        QTest::addColumn<QByteArray>("status");
        QTest::newRow("loopback address")
            << QByteArray("127.0.0.1:PORT") << QByteArray("http://127.0.0.1:PORT")
            << QByteArray("101 Switching Protocols");
        QTest::newRow("localhost")
            << QByteArray("localhost:PORT") << QByteArray("http://localhost:PORT")
            << QByteArray("101 Switching Protocols");
        QTest::newRow("IPv6 loopback")
            << QByteArray("[::1]:PORT") << QByteArray("http://[::1]:PORT")
            << QByteArray("101 Switching Protocols");
        QTest::newRow("DNS rebinding")
            << QByteArray("attacker.example:PORT") << QByteArray("http://attacker.example:PORT")
            << QByteArray("403 Forbidden");
        QTest::newRow("host without port")
            << QByteArray("127.0.0.1") << QByteArray("http://127.0.0.1")
            << QByteArray("403 Forbidden");
        QTest::newRow("no host") << QByteArray() << QByteArray("http://127.0.0.1:PORT")
                                 << QByteArray("403 Forbidden");
        QTest::newRow("foreign page")
            << QByteArray("127.0.0.1:PORT") << QByteArray("http://attacker.example")
            << QByteArray("403 Forbidden");
        QTest::newRow("page on another port")
            << QByteArray("127.0.0.1:PORT") << QByteArray("http://127.0.0.1:8080")
            << QByteArray("403 Forbidden");
        QTest::newRow("other name for us")
            << QByteArray("127.0.0.1:PORT") << QByteArray("http://localhost:PORT")
            << QByteArray("403 Forbidden");
        QTest::newRow("https origin")
            << QByteArray("127.0.0.1:PORT") << QByteArray("https://127.0.0.1:PORT")
            << QByteArray("403 Forbidden");
        QTest::newRow("no origin")
            << QByteArray("127.0.0.1:PORT") << QByteArray() << QByteArray("403 Forbidden");
        QTest::newRow("null origin")
            << QByteArray("127.0.0.1:PORT") << QByteArray("null") << QByteArray("403 Forbidden");
    }
    void upgrade_refusedBeforeItCompletesUnlessHostAndOriginAreOurs() {
        QFETCH(QByteArray, host);
        QFETCH(QByteArray, origin);
        QFETCH(QByteArray, status);
        RemoteRig rig;
        START_RIG(rig);
        const QByteArray port = QByteArray::number(rig.remote.BoundPort());
        const QByteArray target = "/ws?t=" + rig.Token().toLatin1();
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, quint16(rig.remote.BoundPort()));
        QVERIFY(socket.waitForConnected(5000));
        socket.write(Upgrade(target, host.isNull() ? host : QByteArray(host).replace("PORT", port),
                             origin.isNull() ? origin : QByteArray(origin).replace("PORT", port)));
        QByteArray answer;
        QVERIFY(QTest::qWaitFor(
            [&] {
                answer += socket.readAll();
                return answer.contains("\r\n\r\n");
            },
            5000));
        QCOMPARE(StatusLine(answer), "HTTP/1.1 " + status);
        const bool upgraded = status.startsWith("101");
        QTRY_COMPARE(rig.remote.ClientCount(), upgraded ? 1 : 0);
        if (!upgraded)
            QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(rig.device.sim.frameCount(), 0);
    }

    void localNetwork_linkAndHostNameTheMachinesAddress() {
        RemoteRig rig;
        START_RIG(rig, true);
        const QByteArray lan = LanAddress().toLatin1();
        if (lan.isEmpty())
            QSKIP("this machine has no address but loopback");
        const QByteArray host = lan + ':' + QByteArray::number(rig.remote.BoundPort());
        QCOMPARE(rig.remote.Link(), QStringLiteral("http://%1/#%2").arg(host, rig.Token()));
        const QByteArray page =
            HttpExchange(rig.remote.BoundPort(), "GET / HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
        QCOMPARE(StatusLine(page), QByteArray("HTTP/1.1 200 OK"));
        TestPage phone(QString::fromLatin1(host));
        QVERIFY(phone.OpenAndTakeSnapshot(
            QUrl(QStringLiteral("ws://%1/ws?t=%2").arg(QString::fromLatin1(host), rig.Token()))));
    }

    void pageWithoutTheToken_closedAskingForANewLink_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("oldLink");
        QTest::newRow("no token") << "" << false;
        QTest::newRow("empty token") << "?t=" << false;
        QTest::newRow("wrong token") << "?t=AAAAAAAAAAAAAAAAAAAAAA" << false;
        QTest::newRow("token cut short") << "?t=TOKEN-1" << false;
        QTest::newRow("old link") << "?t=TOKEN" << true;
    }
    void pageWithoutTheToken_closedAskingForANewLink() {
        QFETCH(QString, query);
        QFETCH(bool, oldLink);
        RemoteRig rig;
        START_RIG(rig);
        QString token = rig.Token();
        if (query.endsWith("TOKEN-1"))
            token.chop(1);
        query.replace(QRegularExpression("TOKEN(-1)?"), token);
        if (oldLink)
            rig.remote.NewLink();
        TestPage page(rig.Host());
        page.Socket().open(QUrl(QStringLiteral("ws://%1/ws%2").arg(rig.Host(), query)));
        QVERIFY(page.WaitClosed());
        QCOMPARE(page.CloseCode(), RemoteProtocol::kCloseBadToken);
        QCOMPARE(page.CloseReason(), QString(RemoteProtocol::kReasonBadToken));
        QCOMPARE(page.Count("snapshot"), 0);
        QCOMPARE(rig.remote.ClientCount(), 0);
    }

    void newLink_closesEveryOpenPage() {
        RemoteRig rig;
        START_RIG(rig);
        TestPage first(rig.Host()), second(rig.Host());
        QVERIFY(first.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        QVERIFY(second.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        const QString old = rig.Token();
        const QString oldLink = rig.remote.Link();
        QSignalSpy state(&rig.remote, &RemoteService::StateChanged);
        rig.remote.NewLink();
        QVERIFY(rig.Token() != old);
        QVERIFY(rig.remote.Link() != oldLink && rig.remote.Link().endsWith("/#" + rig.Token()));
        QCOMPARE(state.count(), 1);
        for (TestPage* page : {&first, &second}) {
            QVERIFY(page->WaitClosed());
            QCOMPARE(page->CloseCode(), RemoteProtocol::kCloseBadToken);
        }
        QTRY_COMPARE(rig.remote.ClientCount(), 0);
        TestPage fresh(rig.Host());
        QVERIFY(fresh.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        QCOMPARE(rig.remote.ClientCount(), 1);
    }

    void turnOff_closesPagesAndStopsListening() {
        RemoteRig rig;
        START_RIG(rig);
        TestPage page(rig.Host());
        QVERIFY(page.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        const int port = rig.remote.BoundPort();
        rig.remote.TurnOff();
        QVERIFY(page.WaitClosed());
        QCOMPARE(page.CloseCode(), RemoteProtocol::kCloseGoingAway);
        QVERIFY(!rig.remote.Running());
        QVERIFY(rig.remote.Link().isEmpty());
        QCOMPARE(HttpExchange(port, "GET / HTTP/1.1\r\n\r\n"), QByteArray("<no connection>"));
    }

    void slowRequestHead_droppedWithoutBlockingOthers_data() {
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("half a head") << QByteArray("GET / HTTP/1.1\r\nHost: 127.0.0.1");
        QTest::newRow("request line only") << QByteArray("GET / HTTP/1.1\r\n");
    }
    void slowRequestHead_droppedWithoutBlockingOthers() {
        QFETCH(QByteArray, sent);
        RemoteRig rig;
        START_RIG(rig);
        rig.remote.Listener().SetHeadTimeoutMs(300);
        QTcpSocket slow;
        slow.connectToHost(QHostAddress::LocalHost, quint16(rig.remote.BoundPort()));
        QVERIFY(slow.waitForConnected(5000));
        slow.write(sent);
        QTRY_COMPARE(rig.remote.Listener().WaitingSockets(), 1);
        // Meanwhile a page still loads.
        const QByteArray page =
            HttpExchange(rig.remote.BoundPort(),
                         "GET / HTTP/1.1\r\nHost: " + rig.Host().toLatin1() + "\r\n\r\n");
        QVERIFY(page.startsWith("HTTP/1.1 200 OK"));
        QTRY_COMPARE(slow.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(rig.remote.Listener().WaitingSockets(), 0);
    }

    void badRequestHead_refused_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("status");
        QTest::newRow("head over 8 KiB")
            << "GET / HTTP/1.1\r\nHost: HOST\r\nX: " + QByteArray(9000, 'a') + "\r\n\r\n"
            << QByteArray("431 Request Header Fields Too Large");
        QTest::newRow("endless head") << "GET / HTTP/1.1\r\nX: " + QByteArray(9000, 'a')
                                      << QByteArray("431 Request Header Fields Too Large");
        QTest::newRow("not HTTP") << QByteArray("hello\r\n\r\n") << QByteArray("400 Bad Request");
        QTest::newRow("HTTP/2 preface")
            << QByteArray("PRI * HTTP/2.0\r\n\r\nSM\r\n\r\n") << QByteArray("400 Bad Request");
        QTest::newRow("bare line feeds") << QByteArray("GET / HTTP/1.1\nHost: HOST\n\n\r\n\r\n")
                                         << QByteArray("400 Bad Request");
        QTest::newRow("folded header")
            << QByteArray("GET / HTTP/1.1\r\nHost: HOST\r\n X: y\r\n\r\n")
            << QByteArray("400 Bad Request");
    }
    void badRequestHead_refused() {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, status);
        RemoteRig rig;
        START_RIG(rig);
        const QByteArray answer =
            HttpExchange(rig.remote.BoundPort(), head.replace("HOST", rig.Host().toLatin1()));
        QCOMPARE(StatusLine(answer), "HTTP/1.1 " + status);
        QCOMPARE(rig.remote.Listener().WaitingSockets(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_RemoteAccess)
#include "tst_remoteaccess.moc"
