#include "remote/HttpRequestHead.h"
#include "remote/MessageRate.h"
#include "remote/RemoteProtocol.h"
#include "remote/RemoteSettings.h"

#include <QtTest>

Q_DECLARE_METATYPE(HeadParse::Status)

// What the remote reads from outside, without a socket: request heads, the message rate,
// remote.ini as a person may have edited it.
class tst_RemoteParsing : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void requestHead_readOrRefused_data() {
        // Counted by its size: the NUL inside would end a plain C string.
        static constexpr char kNulInHeader[] = "GET / HTTP/1.1\r\nHost: a\0b\r\n\r\n";
        using S = HeadParse::Status;
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<S>("status");
        QTest::addColumn<QByteArray>("host");
        QTest::newRow("whole") << QByteArray("GET / HTTP/1.1\r\nHost: a:1\r\n\r\n") << S::Complete
                               << QByteArray("a:1");
        QTest::newRow("header names in any case")
            << QByteArray("GET / HTTP/1.1\r\nHOST:  a:1 \r\n\r\n") << S::Complete
            << QByteArray("a:1");
        QTest::newRow("HTTP/1.0") << QByteArray("GET / HTTP/1.0\r\n\r\n") << S::Complete
                                  << QByteArray();
        QTest::newRow("not yet ended")
            << QByteArray("GET / HTTP/1.1\r\nHost: a:1\r\n") << S::Incomplete << QByteArray();
        QTest::newRow("nothing yet") << QByteArray() << S::Incomplete << QByteArray();
        QTest::newRow("never ending")
            << "GET / HTTP/1.1\r\nX: " + QByteArray(kMaxRequestHeadBytes, 'x') << S::TooLarge
            << QByteArray();
        QTest::newRow("ended too late")
            << "GET / HTTP/1.1\r\nX: " + QByteArray(kMaxRequestHeadBytes, 'x') + "\r\n\r\n"
            << S::TooLarge << QByteArray();
        QTest::newRow("absolute target")
            << QByteArray("GET http://a/ HTTP/1.1\r\n\r\n") << S::Bad << QByteArray();
        QTest::newRow("two spaces")
            << QByteArray("GET  / HTTP/1.1\r\n\r\n") << S::Bad << QByteArray();
        QTest::newRow("HTTP/2") << QByteArray("GET / HTTP/2\r\n\r\n") << S::Bad << QByteArray();
        QTest::newRow("control in target")
            << QByteArray("GET /\x01 HTTP/1.1\r\n\r\n") << S::Bad << QByteArray();
        QTest::newRow("bare CR in a header")
            << QByteArray("GET / HTTP/1.1\r\nHost: a\rX: b\r\n\r\n") << S::Bad << QByteArray();
        QTest::newRow("blank before colon")
            << QByteArray("GET / HTTP/1.1\r\nHost : a:1\r\n\r\n") << S::Bad << QByteArray();
        QTest::newRow("no colon") << QByteArray("GET / HTTP/1.1\r\nHost\r\n\r\n") << S::Bad
                                  << QByteArray();
        QTest::newRow("NUL in a value")
            << QByteArray(kNulInHeader, sizeof(kNulInHeader) - 1) << S::Bad << QByteArray();
    }
    void requestHead_readOrRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(HeadParse::Status, status);
        QFETCH(QByteArray, host);
        const HeadParse parse = ParseRequestHead(bytes);
        QCOMPARE(parse.status, status);
        if (status == HeadParse::Status::Complete)
            QCOMPARE(parse.head.Header("host"), host);
    }

    void messageRate_burstThenSteadyPace_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("spreadOverMs");
        QTest::addColumn<int>("admitted");
        QTest::newRow("a burst of the allowance") << 200 << 0 << 200;
        QTest::newRow("a burst past it") << 500 << 0 << 200;
        QTest::newRow("two seconds at 400 a second") << 800 << 2000 << 600;
        QTest::newRow("at the allowed pace") << 1000 << 5000 << 1000;
    }
    void messageRate_burstThenSteadyPace() {
        QFETCH(int, count);
        QFETCH(int, spreadOverMs);
        QFETCH(int, admitted);
        MessageRate rate;
        int passed = 0;
        for (int i = 0; i < count; ++i)
            passed += rate.Admit(qint64(i) * spreadOverMs / count) ? 1 : 0;
        QVERIFY2(qAbs(passed - admitted) <= 2, qPrintable(QString::number(passed)));
    }

    void messageRate_noticeAtMostOnceASecond() {
        MessageRate rate;
        QVERIFY(rate.NoticeDue(0));
        QVERIFY(!rate.NoticeDue(999));
        QVERIFY(rate.NoticeDue(1000));
        QVERIFY(!rate.NoticeDue(1500));
    }

    void remoteIni_readAsWritten_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<RemoteSettings>("settings");
        const QString token = "abcdefghijklmnopqrstuv";
        QTest::newRow("missing file") << QByteArray() << RemoteSettings{};
        QTest::newRow("as written") << RemoteSettingsText({true, true, 9000, token})
                                    << RemoteSettings{true, true, 9000, token};
        QTest::newRow("any case, blanks, CRLF")
            << QByteArray("[Remote]\r\n enabled = TRUE \r\nLISTEN=Lan\r\nport=9001\r\n")
            << RemoteSettings{true, true, 9001, {}};
        QTest::newRow("keys of another section")
            << QByteArray("[set]\nEnabled=true\nPort=9002\n") << RemoteSettings{};
        QTest::newRow("port out of range")
            << QByteArray("[remote]\nPort=70000\n") << RemoteSettings{false, false, 8130, {}};
        QTest::newRow("port not a number")
            << QByteArray("[remote]\nPort=80a\n") << RemoteSettings{false, false, 8130, {}};
        QTest::newRow("unknown listen")
            << QByteArray("[remote]\nListen=everywhere\n") << RemoteSettings{};
        QTest::newRow("token too short: guessable")
            << QByteArray("[remote]\nToken=abc\n") << RemoteSettings{};
        QTest::newRow("token with foreign characters")
            << QByteArray("[remote]\nToken=abcdefghijklmnopqrstuv+/\n") << RemoteSettings{};
    }
    void remoteIni_readAsWritten() {
        QFETCH(QByteArray, text);
        QFETCH(RemoteSettings, settings);
        QCOMPARE(ParseRemoteSettings(text), settings);
    }

    void newToken_carries128BitsAndDiffersEachTime() {
        const QString a = NewRemoteToken();
        const QString b = NewRemoteToken();
        QVERIFY(IsTokenText(a));
        QCOMPARE(QByteArray::fromBase64(a.toLatin1(), QByteArray::Base64UrlEncoding).size(), 16);
        QVERIFY(a != b);
    }

    void pageMessage_acceptedAsTheRequest_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("value"); // channel or slot
        QTest::addColumn<qint64>("id");
        using K = SessionRequest::Kind;
        QTest::newRow("level with a large id")
            << QByteArray(R"({"t":"x","op":"level","ch":8,"level":255,"id":9007199254740991})")
            << int(K::Level) << 8 << qint64(9007199254740991);
        QTest::newRow("whole number written as decimal")
            << QByteArray(R"({"t":"x","op":"level","ch":2.0,"level":0,"id":-1})") << int(K::Level)
            << 2 << qint64(-1);
        QTest::newRow("recall") << QByteArray(R"({"t":"x","op":"recall","slot":8,"id":0})")
                                << int(K::RecallScene) << 8 << qint64(0);
        QTest::newRow("ping needs no token")
            << QByteArray(R"({"op":"ping","id":3})") << int(K::StopFade) << 1 << qint64(3);
    }
    void pageMessage_acceptedAsTheRequest() {
        QFETCH(QByteArray, text);
        QFETCH(int, kind);
        QFETCH(int, value);
        QFETCH(qint64, id);
        const RemoteProtocol::PageMessage m = RemoteProtocol::ParsePageMessage(text);
        QVERIFY2(m.ok(), qPrintable(m.refusal));
        QCOMPARE(int(m.request.kind), kind);
        QCOMPARE(kind == int(SessionRequest::Kind::RecallScene) ? m.request.slot
                                                                : m.request.channel,
                 value);
        QCOMPARE(m.id, std::optional<qint64>(id));
    }
};

QTEST_GUILESS_MAIN(tst_RemoteParsing)
#include "tst_remoteparsing.moc"
