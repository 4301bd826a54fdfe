#include "FrameText.h"
#include "RemoteRig.h"
#include "remote/RemoteProtocol.h"

#include <QJsonArray>
#include <QtTest>

namespace {

QJsonObject Op(const QString& token, const QString& op, QJsonObject fields = {}) {
    fields.insert("t", token);
    fields.insert("op", op);
    return fields;
}

// A ping and its pong: everything the server sent before it has arrived by then.
bool RoundTrip(TestPage& page, const QString& token) {
    page.Send(Op(token, "ping"));
    return !page.WaitFor("pong").isEmpty();
}

} // namespace

// Pages against a real remote on a real session, the simulated device on a pty behind it.
class tst_RemotePages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void snapshot_showsChannelsAsThePanelHoldsThem_data() {
        QTest::addColumn<int>("ch");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("on");
        // set.ini: channel i switched i % 2 at level 30 * i.
        QTest::newRow("first") << 1 << "1CH" << 0 << false;
        QTest::newRow("second, on") << 2 << "2CH" << 30 << true;
        QTest::newRow("last") << 8 << "8CH" << 210 << true;
    }
    void snapshot_showsChannelsAsThePanelHoldsThem() {
        QFETCH(int, ch);
        QFETCH(QString, name);
        QFETCH(int, level);
        QFETCH(bool, on);
        RemoteRig rig;
        START_RIG(rig);
        TestPage page(rig.Host());
        QVERIFY(page.Open(rig.SocketUrl(rig.Token())));
        const QJsonObject snapshot = page.WaitFor("snapshot");
        const QJsonArray channels = snapshot.value("channels").toArray();
        QCOMPARE(channels.size(), CHANNEL_COUNT);
        const QJsonObject c = channels[ch - 1].toObject();
        QCOMPARE(c.value("ch").toInt(), ch);
        QCOMPARE(c.value("name").toString(), name);
        QCOMPARE(c.value("level").toInt(), level);
        QCOMPARE(c.value("on").toBool(), on);
        QCOMPARE(snapshot.value("link").toString(), QString("answering"));
        QCOMPARE(snapshot.value("client").toInteger(), 1);
        QCOMPARE(snapshot.value("fade").toObject().value("running").toBool(), false);
    }

    void snapshot_showsScenesWithTheirFadeTimes() {
        RemoteRig rig;
        START_RIG(rig);
        QVERIFY(rig.session.StoreScene(2).isEmpty());
        QVERIFY(rig.session.SetSceneFadeTime(2, 2.5).isEmpty());
        // A fade time set before anything is stored leaves the slot empty.
        QVERIFY(rig.session.SetSceneFadeTime(5, 1.0).isEmpty());
        TestPage page(rig.Host());
        QVERIFY(page.Open(rig.SocketUrl(rig.Token())));
        const QJsonArray scenes = page.WaitFor("snapshot").value("scenes").toArray();
        QCOMPARE(scenes.size(), SCENE_SLOTS);
        QCOMPARE(scenes[1].toObject(), (QJsonObject{{"slot", 2}, {"stored", true}, {"fade", 2.5}}));
        QCOMPARE(scenes[4].toObject(),
                 (QJsonObject{{"slot", 5}, {"stored", false}, {"fade", 1.0}}));
        QCOMPARE(scenes[0].toObject(), (QJsonObject{{"slot", 1}, {"stored", false}, {"fade", 0}}));
    }

    void pageChange_reachesDeviceAsWebChange_data() {
        QTest::addColumn<QJsonObject>("message");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("power");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("frame");
        QTest::newRow("level keeps switch")
            << QJsonObject{{"op", "level"}, {"ch", 3}, {"level", 128}} << 2 << 0 << 128
            << "95 02 03 00 80 1a";
        QTest::newRow("switch on keeps level")
            << QJsonObject{{"op", "switch"}, {"ch", 1}, {"on", true}} << 0 << 1 << 0
            << "95 02 01 01 00 99";
        QTest::newRow("switch off keeps level")
            << QJsonObject{{"op", "switch"}, {"ch", 2}, {"on", false}} << 1 << 0 << 30
            << "95 02 02 00 1e b7";
        QTest::newRow("all off") << QJsonObject{{"op", "alloff"}} << 7 << 0 << 0
                                 << "95 03 08 00 00 a0";
    }
    void pageChange_reachesDeviceAsWebChange() {
        QFETCH(QJsonObject, message);
        QFETCH(int, index);
        QFETCH(int, power);
        QFETCH(int, level);
        QFETCH(QString, frame);
        RemoteRig rig;
        START_RIG(rig);
        TestPage page(rig.Host());
        QVERIFY(page.Open(rig.SocketUrl(rig.Token())));
        const qint64 client = page.WaitFor("snapshot").value("client").toInteger();
        QSignalSpy announced(&rig.session, &DeviceSession::ChannelChanged);
        message.insert("t", rig.Token());
        page.Send(message);
        QTRY_COMPARE(rig.device.sim.validFrameCount(), 1);
        QCOMPARE(HexFrames(rig.device.sim.validFrames()), QStringList{frame});
        QCOMPARE(rig.device.sim.channel(index), (DevSimChannel{power, level}));
        QVERIFY(!announced.isEmpty());
        for (const QList<QVariant>& change : announced) {
            const auto origin = change[3].value<ChangeOrigin>();
            QCOMPARE(origin.kind, ChangeOrigin::Kind::Web);
            QCOMPARE(origin.client, quint64(client));
        }
    }

    void changeElsewhere_reachesEveryPageWithItsOrigin_data() {
        QTest::addColumn<QString>("by");
        QTest::addColumn<QString>("origin");
        QTest::newRow("panel") << "panel"
                               << "panel";
        QTest::newRow("script") << "script"
                                << "script";
        QTest::newRow("surface") << "surface"
                                 << "surface";
        QTest::newRow("another page") << "page"
                                      << "web";
    }
    void changeElsewhere_reachesEveryPageWithItsOrigin() {
        QFETCH(QString, by);
        QFETCH(QString, origin);
        RemoteRig rig;
        START_RIG(rig);
        TestPage first(rig.Host()), second(rig.Host()), actor(rig.Host());
        for (TestPage* page : {&first, &second, &actor})
            QVERIFY(page->OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        if (by == "panel")
            rig.PanelSetsLevel(4, 77);
        else if (by == "script")
            rig.session.Request(SessionRequest::Level(5, 77), {ChangeOrigin::Kind::Script, 9});
        else if (by == "surface")
            rig.session.Request(SessionRequest::Level(5, 77), {ChangeOrigin::Kind::Surface, 1});
        else
            actor.Send(Op(rig.Token(), "level", {{"ch", 5}, {"level", 77}}));
        for (TestPage* page : {&first, &second}) {
            const QJsonObject change = page->WaitFor("channel");
            QCOMPARE(change.value("ch").toInt(), 5);
            QCOMPARE(change.value("level").toInt(), 77);
            QCOMPARE(change.value("on").toBool(), false);
            QCOMPARE(change.value("origin").toString(), origin);
        }
        // The page that moved the fader holds it; its own change does not come back.
        QVERIFY(RoundTrip(actor, rig.Token()));
        QCOMPARE(actor.Count("channel"), by == "page" ? 0 : 1);
    }

    // A page holds the fader or switch it moved, so that comes back to nobody; what its all off
    // or scene recall changed it cannot know, and that does come back to it.
    void ownRequest_echoedOnlyWhereThePageCannotKnowTheResult_data() {
        QTest::addColumn<QJsonObject>("message");
        QTest::addColumn<bool>("echoed");
        QTest::newRow("level") << QJsonObject{{"op", "level"}, {"ch", 2}, {"level", 90}} << false;
        QTest::newRow("switch") << QJsonObject{{"op", "switch"}, {"ch", 2}, {"on", false}} << false;
        QTest::newRow("all off") << QJsonObject{{"op", "alloff"}} << true;
        QTest::newRow("scene recalled at once")
            << QJsonObject{{"op", "recall"}, {"slot", 2}} << true;
    }
    void ownRequest_echoedOnlyWhereThePageCannotKnowTheResult() {
        QFETCH(QJsonObject, message);
        QFETCH(bool, echoed);
        RemoteRig rig;
        START_RIG(rig);
        const ChangeOrigin script{ChangeOrigin::Kind::Script, 9};
        QVERIFY(rig.session.Request(SessionRequest::Set(2, true, 200), script).ok());
        QVERIFY(rig.session.SetSceneFadeTime(2, 0.0).isEmpty());
        QVERIFY(rig.session.StoreScene(2).isEmpty());
        QVERIFY(rig.session.Request(SessionRequest::Level(2, 10), script).ok());
        TestPage page(rig.Host());
        QVERIFY(page.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        const ChannelModel before = rig.session.Channels();
        message.insert("t", rig.Token());
        page.Send(message);
        QVERIFY(RoundTrip(page, rig.Token()));
        const ChannelModel& after = rig.session.Channels();
        int changed = 0;
        for (int c = 0; c < CHANNEL_COUNT; ++c)
            changed += before.Level(c) != after.Level(c) || before.On(c) != after.On(c);
        QVERIFY(changed > 0);
        QCOMPARE(page.Count("channel"), echoed ? changed : 0);
        if (echoed) {
            // Channel 2 changes in every row; the page hears what it became.
            QJsonObject change = page.WaitFor("channel");
            while (change.value("ch").toInt() != 2)
                change = page.WaitFor("channel");
            QCOMPARE(change.value("origin").toString(), QString("web"));
            QCOMPARE(change.value("level").toInt(), after.Level(1));
            QCOMPARE(change.value("on").toBool(), after.On(1));
        }
    }

    // A scene stored from one page shows on the other; recalled with its fade time, the fade's
    // progress reaches every page, and a page's Stop ends it.
    void scenesAndFades_fromOnePageSeenOnAll() {
        RemoteRig rig;
        START_RIG(rig);
        TestPage phone(rig.Host()), tablet(rig.Host());
        QVERIFY(phone.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        QVERIFY(tablet.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        QVERIFY(rig.session.SetSceneFadeTime(4, 30.0).isEmpty());
        QCOMPARE(tablet.WaitFor("scenes").value("scenes").toArray()[3].toObject().value("fade"),
                 QJsonValue(30.0));
        phone.Send(Op(rig.Token(), "store", {{"slot", 4}}));
        const QJsonArray scenes = tablet.WaitFor("scenes").value("scenes").toArray();
        QCOMPARE(scenes[3].toObject(), (QJsonObject{{"slot", 4}, {"stored", true}, {"fade", 30}}));

        rig.PanelSetsLevel(0, 250);
        phone.Send(Op(rig.Token(), "recall", {{"slot", 4}}));
        for (TestPage* page : {&phone, &tablet}) {
            const QJsonObject fade = page->WaitFor("fade");
            QCOMPARE(fade.value("running").toBool(), true);
            QVERIFY2(fade.value("text").toString().startsWith("fade "),
                     qPrintable(fade.value("text").toString()));
        }
        QVERIFY(rig.session.Fading());
        tablet.Send(Op(rig.Token(), "stop"));
        QTRY_VERIFY(!rig.session.Fading());
        // Progress first, then the end.
        QJsonObject last = phone.WaitFor("fade");
        while (last.value("running").toBool())
            last = phone.WaitFor("fade");
        QCOMPARE(last.value("running"), QJsonValue(false));
        QCOMPARE(last.value("text"), QJsonValue(QString()));
    }

    void deviceUnplugged_everyPageSeesTheLinkGo() {
        RemoteRig rig;
        START_RIG(rig);
        TestPage page(rig.Host());
        QVERIFY(page.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        QVERIFY(rig.device.sim.hangUp());
        const QJsonObject link = page.WaitFor("link", 10000);
        QVERIFY2(link.value("state") == QJsonValue("closed") ||
                     link.value("state") == QJsonValue("no answer"),
                 qPrintable(link.value("state").toString()));
    }

    void badMessage_refusedWithReasonAndNothingChanges_data() {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("withId");
        const auto json = [](QJsonObject o) { return QJsonDocument(o).toJson(); };
        const QString t = "TOKEN"; // replaced by the rig's token
        QTest::newRow("over 4 KiB")
            << json({{"t", t}, {"op", "level"}, {"ch", 1}, {"level", 5}, {"x", QString(4100, 'a')}})
            << "message over 4096 bytes" << false;
        QTest::newRow("malformed JSON")
            << QByteArray("{\"op\":\"level\",") << "malformed JSON" << false;
        QTest::newRow("not an object") << QByteArray("[1,2]") << "not a JSON object" << false;
        QTest::newRow("unknown op")
            << json({{"t", t}, {"op", "dim"}, {"id", 7}}) << "unknown op \"dim\"" << true;
        QTest::newRow("op not a string")
            << json({{"t", t}, {"op", 3}, {"id", 7}}) << "op must be a string" << true;
        QTest::newRow("unknown field")
            << json({{"t", t}, {"op", "level"}, {"ch", 1}, {"level", 5}, {"fade", 1}, {"id", 7}})
            << "unknown field \"fade\"" << true;
        QTest::newRow("field of another op")
            << json({{"t", t}, {"op", "switch"}, {"ch", 1}, {"on", true}, {"level", 5}, {"id", 7}})
            << "unknown field \"level\"" << true;
        QTest::newRow("missing level") << json({{"t", t}, {"op", "level"}, {"ch", 1}, {"id", 7}})
                                       << "missing field level" << true;
        QTest::newRow("missing token")
            << json({{"op", "alloff"}, {"id", 7}}) << "missing field t" << true;
        QTest::newRow("level as text")
            << json({{"t", t}, {"op", "level"}, {"ch", 1}, {"level", "5"}, {"id", 7}})
            << "level must be an integer" << true;
        QTest::newRow("channel with a fraction")
            << json({{"t", t}, {"op", "level"}, {"ch", 1.5}, {"level", 5}, {"id", 7}})
            << "ch must be an integer" << true;
        QTest::newRow("switch as a number")
            << json({{"t", t}, {"op", "switch"}, {"ch", 1}, {"on", 1}, {"id", 7}})
            << "on must be true or false" << true;
        QTest::newRow("channel 9")
            << json({{"t", t}, {"op", "level"}, {"ch", 9}, {"level", 5}, {"id", 7}})
            << "channel must be 1..8, not 9" << true;
        QTest::newRow("channel 0")
            << json({{"t", t}, {"op", "switch"}, {"ch", 0}, {"on", true}, {"id", 7}})
            << "channel must be 1..8, not 0" << true;
        QTest::newRow("huge channel")
            << json({{"t", t}, {"op", "level"}, {"ch", 1e300}, {"level", 5}, {"id", 7}})
            << "ch must be an integer" << true;
        QTest::newRow("level 256")
            << json({{"t", t}, {"op", "level"}, {"ch", 1}, {"level", 256}, {"id", 7}})
            << "level must be 0..255, not 256" << true;
        QTest::newRow("level -1")
            << json({{"t", t}, {"op", "level"}, {"ch", 1}, {"level", -1}, {"id", 7}})
            << "level must be 0..255, not -1" << true;
        QTest::newRow("scene 9") << json({{"t", t}, {"op", "recall"}, {"slot", 9}, {"id", 7}})
                                 << "scene must be 1..8, not 9" << true;
        QTest::newRow("store into scene 0")
            << json({{"t", t}, {"op", "store"}, {"slot", 0}, {"id", 7}})
            << "scene must be 1..8, not 0" << true;
        QTest::newRow("empty scene") << json({{"t", t}, {"op", "recall"}, {"slot", 3}, {"id", 7}})
                                     << "scene 3 is empty" << true;
        QTest::newRow("wrong token")
            << json({{"t", "AAAAAAAAAAAAAAAAAAAAAA"}, {"op", "alloff"}, {"id", 7}})
            << "wrong token; ask for a new link" << true;
        QTest::newRow("token not a string")
            << json({{"t", 5}, {"op", "alloff"}, {"id", 7}}) << "t must be a string" << true;
        QTest::newRow("id as text")
            << json({{"t", t}, {"op", "alloff"}, {"id", "7"}}) << "id must be an integer" << false;
    }
    void badMessage_refusedWithReasonAndNothingChanges() {
        QFETCH(QByteArray, message);
        QFETCH(QString, reason);
        QFETCH(bool, withId);
        RemoteRig rig;
        START_RIG(rig);
        TestPage page(rig.Host()), watcher(rig.Host());
        QVERIFY(page.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        QVERIFY(watcher.OpenAndTakeSnapshot(rig.SocketUrl(rig.Token())));
        const ChannelModel before = rig.session.Channels();
        const QByteArray setIni = ReadAll(rig.device.home.settingsFile());
        page.SendRaw(QByteArray(message).replace("TOKEN", rig.Token().toLatin1()));
        const QJsonObject refused = page.WaitFor("refused");
        QVERIFY2(refused.value("reason").toString().startsWith(reason),
                 qPrintable(refused.value("reason").toString()));
        QCOMPARE(refused.contains("id"), withId);
        if (withId)
            QCOMPARE(refused.value("id").toInteger(), 7);
        QVERIFY(RoundTrip(page, rig.Token()));
        QVERIFY(RoundTrip(watcher, rig.Token()));
        QCOMPARE(watcher.Count("channel"), 0);
        QCOMPARE(rig.session.Channels(), before);
        QCOMPARE(rig.device.sim.frameCount(), 0);
        QCOMPARE(ReadAll(rig.device.home.settingsFile()), setIni);
        // The page stays open for its next, good message.
        QVERIFY(!page.Closed());
    }
};

QTEST_GUILESS_MAIN(tst_RemotePages)
#include "tst_remotepages.moc"
