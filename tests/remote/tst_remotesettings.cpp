#include "RemoteRig.h"
#include "TestFiles.h"
#include "remote/RemoteSettings.h"

#include <QtTest>
#include <memory>
#include <vector>

// remote.ini beside set.ini: what the remote keeps, what it does with a taken port, and that
// set.ini never changes for it.
class tst_RemoteSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void choices_keptInRemoteIniAndSetIniUntouched_data() {
        QTest::addColumn<bool>("lan");
        QTest::addColumn<bool>("newLink");
        QTest::addColumn<bool>("off");
        QTest::newRow("this computer") << false << false << false;
        QTest::newRow("local network") << true << false << false;
        QTest::newRow("new link") << false << true << false;
        QTest::newRow("turned off") << false << false << true;
    }
    void choices_keptInRemoteIniAndSetIniUntouched() {
        QFETCH(bool, lan);
        QFETCH(bool, newLink);
        QFETCH(bool, off);
        RemoteRig rig;
        START_RIG(rig);
        const QByteArray setIni = ReadAll(rig.device.home.settingsFile());
        const int port = FreePort();
        QCOMPARE(rig.remote.TurnOn(lan, port), QString());
        if (newLink)
            rig.remote.NewLink();
        if (off)
            rig.remote.TurnOff();
        QVERIFY(rig.remote.SaveError().isEmpty());
        const RemoteSettings saved = rig.remote.Settings();
        QCOMPARE(saved, (RemoteSettings{!off, lan, port, saved.token}));
        QVERIFY(IsTokenText(saved.token));
        const QString link = rig.remote.Link();
        rig.remote.TurnOff();
        if (!off)
            QCOMPARE(LoadRemoteSettings(rig.device.home.settingsFolder() + "/remote.ini").enabled,
                     false);
        // A program started anew: the file as it was left turns the remote on or not.
        QVERIFY(
            WriteAll(rig.device.home.settingsFolder() + "/remote.ini", RemoteSettingsText(saved)));
        RemoteService again(rig.session);
        again.Load();
        QCOMPARE(again.Settings(), saved);
        QCOMPARE(again.Running(), !off);
        if (!off) {
            QCOMPARE(again.Link(), link);
            TestPage page(QStringLiteral("127.0.0.1:%1").arg(again.BoundPort()));
            QVERIFY(page.OpenAndTakeSnapshot(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws?t=%2")
                                                      .arg(again.BoundPort())
                                                      .arg(saved.token))));
        }
        QCOMPARE(ReadAll(rig.device.home.settingsFile()), setIni);
    }

    void handWrittenFileWithoutToken_linkKeptForTheNextStart() {
        RemoteRig rig;
        START_RIG(rig);
        rig.remote.TurnOff();
        const QString ini = rig.device.home.settingsFolder() + "/remote.ini";
        QVERIFY(
            WriteAll(ini, "[remote]\nEnabled=true\nPort=" + QByteArray::number(FreePort()) + "\n"));
        QString link;
        {
            // The program ends without the remote being turned off.
            RemoteService first(rig.session);
            first.Load();
            QVERIFY(first.Running());
            link = first.Link();
        }
        RemoteService second(rig.session);
        second.Load();
        QCOMPARE(second.Link(), link);
    }

    void portTaken_nextFreeOneUsedAndShown_data() {
        QTest::addColumn<QList<QHostAddress>>("taken");
        QTest::newRow("on 127.0.0.1") << QList<QHostAddress>{QHostAddress::LocalHost};
        QTest::newRow("on ::1") << QList<QHostAddress>{QHostAddress::LocalHostIPv6};
        QTest::newRow("on every address") << QList<QHostAddress>{QHostAddress::Any};
    }
    void portTaken_nextFreeOneUsedAndShown() {
        QFETCH(QList<QHostAddress>, taken);
        RemoteRig rig;
        START_RIG(rig);
        rig.remote.TurnOff();
        const int port = FreePort();
        std::vector<std::unique_ptr<QTcpServer>> others;
        for (const QHostAddress& address : taken) {
            others.push_back(std::make_unique<QTcpServer>());
            if (!others.back()->listen(address, quint16(port)))
                QSKIP("this machine cannot listen there");
        }
        QCOMPARE(rig.remote.TurnOn(false, port), QString());
        QCOMPARE(rig.remote.BoundPort(), port + 1);
        QVERIFY(
            rig.remote.Link().startsWith(QStringLiteral("http://127.0.0.1:%1/#").arg(port + 1)));
        // The choice stays the operator's: the next start tries that port again.
        QCOMPARE(rig.remote.Settings().port, port);
        const QByteArray page =
            HttpExchange(port + 1, "GET / HTTP/1.1\r\nHost: " + rig.Host().toLatin1() + "\r\n\r\n");
        QVERIFY(page.startsWith("HTTP/1.1 200 OK"));
    }

    void everyPortTaken_refusedWithReasonNothingSaved() {
        RemoteRig rig;
        START_RIG(rig);
        rig.remote.TurnOff();
        const QString ini = rig.device.home.settingsFolder() + "/remote.ini";
        const QByteArray before = ReadAll(ini);
        // Twenty ports in a row, all taken.
        std::vector<std::unique_ptr<QTcpServer>> others;
        int first = 0;
        for (int attempt = 0; attempt < 20 && others.size() < 20; ++attempt) {
            others.clear();
            first = FreePort();
            for (int p = first; p < first + 20; ++p) {
                others.push_back(std::make_unique<QTcpServer>());
                if (!others.back()->listen(QHostAddress::LocalHost, quint16(p))) {
                    others.clear();
                    break;
                }
            }
        }
        QCOMPARE(others.size(), std::size_t(20));
        QCOMPARE(rig.remote.TurnOn(false, first),
                 QStringLiteral("ports %1 to %2 are all taken").arg(first).arg(first + 19));
        QVERIFY(!rig.remote.Running());
        QVERIFY(rig.remote.Link().isEmpty());
        QCOMPARE(ReadAll(ini), before);
    }

    void unwritableSettings_remoteRunsAndSaysItWasNotSaved() {
        RemoteRig rig;
        START_RIG(rig);
        rig.remote.TurnOff();
        // A folder where the file should be: no rename replaces it, whoever runs the test.
        const QString ini = rig.device.home.settingsFolder() + "/remote.ini";
        QVERIFY(QFile::remove(ini));
        QVERIFY(WriteAll(ini + "/keep", "x"));
        QCOMPARE(rig.remote.TurnOn(false, FreePort()), QString());
        QVERIFY(rig.remote.Running());
        QVERIFY(!rig.remote.SaveError().isEmpty());
        TestPage page(rig.Host());
        QVERIFY(page.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
    }
};

QTEST_GUILESS_MAIN(tst_RemoteSettings)
#include "tst_remotesettings.moc"
