#include "SurfaceRig.h"
#include "surface/MidiScaling.h"

#include <QtTest>

namespace {

// The whole state of a generic box as it goes out on connect: each strip's fader, then its lamp.
QString GenericFullState(const ChannelValues& levels, const ChannelValues& on) {
    QStringList out;
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        out << QStringLiteral("cc 1 %1 = %2").arg(c).arg(LevelTo7Bit(levels[c]));
        out << QStringLiteral("cc 1 %1 = %2").arg(32 + c).arg(on[c] ? 127 : 0);
    }
    return QStringLiteral("out ") + out.join(QStringLiteral(" | "));
}

// Connected, its full state taken, at a time well past the connect's messages.
const QStringList kReady{"connect", "drain", "at 1000"};

} // namespace

class tst_SurfaceRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every controller value comes back as it was sent, so a fader's position survives feedback.
    void scaling_roundTripsEveryControllerValue() {
        for (int v = 0; v <= 127; ++v)
            QCOMPARE(LevelTo7Bit(LevelFrom7Bit(v)), v);
        for (int level = 0; level <= 255; ++level) {
            QCOMPARE(LevelFrom7Bit(LevelTo7Bit(level)) - level <= 1, true);
            QCOMPARE(LevelFrom14Bit(LevelTo14Bit(level)), level);
        }
        QCOMPARE(LevelFrom7Bit(127), 255);
        QCOMPARE(LevelFrom14Bit(16383), 255);
        QCOMPARE(LevelFrom14Bit(0), 0);
    }

    // What each profile's messages do to the session, and what the controller gets back.
    void mapping_data() { Table(); }
    void mapping() { RunRow(); }

    // A fader without a motor takes its channel only once it reaches or crosses its level.
    void pickUp_data() { Table(); }
    void pickUp() { RunRow(); }

    // Lamps and motor faders follow the panel, never fight the hand, and are paced.
    void feedback_data() { Table(); }
    void feedback() { RunRow(); }

    // Learn: the next control moved goes onto the element clicked.
    void learn_data() { Table(); }
    void learn() { RunRow(); }

    // A panel change every millisecond for a second: the fader's feedback keeps to 50 a second
    // and its last message carries the final level.
    void feedbackFlood_fiftyPerSecond_lastValueArrives() {
        SurfaceRig rig;
        QCOMPARE(rig.Run({"profile xtouch-compact", "connect", "drain"}), QString());
        int sent = 0;
        QString last;
        for (int ms = 0; ms < 1000; ++ms) {
            rig.SetNow(1000 + ms);
            rig.Engine().Tick();
            QCOMPARE(rig.Run({QStringLiteral("script level 1 %1").arg((ms * 7) % 256)}), QString());
            const QStringList out = rig.TakeOut();
            sent += int(out.size());
            if (!out.isEmpty())
                last = out.back();
        }
        rig.SetNow(2100);
        rig.Engine().Tick();
        const QStringList out = rig.TakeOut();
        sent += int(out.size());
        if (!out.isEmpty())
            last = out.back();
        QVERIFY2(sent <= 51, qPrintable(QString::number(sent)));
        QVERIFY(sent >= 45);
        QCOMPARE(last, QStringLiteral("cc 1 1 = %1").arg(LevelTo7Bit((999 * 7) % 256)));
    }

    // Ten thousand messages that are not in the profile change nothing and send nothing.
    void unmappedFlood_changesNothing() {
        SurfaceRig rig;
        QCOMPARE(rig.Run(kReady), QString());
        for (int i = 0; i < 10000; ++i) {
            const int n = 8 + i % 24; // clear of the faders and the buttons
            rig.Engine().Receive(
                {MidiEvent::Type::ControlChange, i % 16 == 0 ? 0 : i % 16, n, i % 128});
            rig.Engine().Receive({MidiEvent::Type::NoteOn, i % 16, i % 128, 127});
            rig.Engine().Receive({MidiEvent::Type::PitchBend, i % 16, 0, i % 16384});
        }
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            QCOMPARE(rig.Session().Channels().Level(c), 0);
            QCOMPARE(rig.Session().Channels().On(c), false);
        }
        QCOMPARE(rig.TakeOut(), QStringList());
    }

private:
    static void Table() {
        QTest::addColumn<QStringList>("steps");
        const QString test = QString::fromLatin1(QTest::currentTestFunction());
        if (test == "mapping")
            MappingRows();
        else if (test == "pickUp")
            PickUpRows();
        else if (test == "feedback")
            FeedbackRows();
        else
            LearnRows();
    }
    static void RunRow() {
        QFETCH(QStringList, steps);
        SurfaceRig rig;
        const QString problem = rig.Run(steps);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    static void MappingRows() {
        QTest::newRow("generic fader sets its level, 7 bits scaled, no echo")
            << kReady + QStringList{"in cc 1 0 64", "level 1 129", "in cc 1 7 127",
                                    "level 8 255",  "at 1100",     "out -"};
        QTest::newRow("generic fader on another MIDI channel does nothing")
            << kReady + QStringList{"in cc 2 0 64", "level 1 0", "out -"};
        QTest::newRow("a press toggles and lights its lamp; the release does nothing")
            << kReady + QStringList{"in cc 1 33 127", "on 2 1",         "out cc 1 33 = 127",
                                    "in cc 1 33 0",   "on 2 1",         "out -",
                                    "in cc 1 33 127", "on 2 0",         "out -",
                                    "at 1020",        "out cc 1 33 = 0"};
        QTest::newRow("a fader on a switched-off channel sets its level, not its switch")
            << kReady + QStringList{"in cc 1 2 100", "level 3 201", "on 3 0"};
        QTest::newRow("mackie: pitch bend per MIDI channel, 14 bits")
            << QStringList{"profile mackie"} + kReady +
                   QStringList{"in bend 1 16383", "level 1 255", "in bend 8 8192",
                               "level 8 128",     "in bend 9 0", "out -"};
        QTest::newRow("mackie: select toggles; note off and velocity 0 are releases")
            << QStringList{"profile mackie"} + kReady +
                   QStringList{"in note 1 24 127", "on 1 1",         "out note 1 24 = 127",
                               "in off 1 24",      "in note 1 24 0", "on 1 1",
                               "at 1100",          "out -"};
        QTest::newRow("x-touch compact: faders CC 1-8, buttons and lamps as notes")
            << QStringList{"profile xtouch-compact"} + kReady +
                   QStringList{"in cc 1 1 127", "level 1 255",      "in cc 1 8 0",
                               "level 8 0",     "in cc 1 9 127",    "in note 1 31 127",
                               "on 8 1",        "out note 1 31 = 1"};
        QTest::newRow("apc mini: faders CC 48-55, the bottom row of pads, green when on")
            << QStringList{"profile apc-mini"} + kReady +
                   QStringList{"in cc 1 48 127",  "level 1 255", "in cc 1 56 127",
                               "in note 1 7 127", "on 8 1",      "out note 1 7 = 1",
                               "in note 1 8 127", "on 1 0"};
        QTest::newRow("nanokontrol2: lamps follow the panel, the faders get nothing")
            << QStringList{"profile nanokontrol2"} + kReady + QStringList{"script level 1 200",
                                                                          "script on 1 1",
                                                                          "out cc 1 32 = 127",
                                                                          "in cc 1 16 127",
                                                                          "in cc 1 48 127",
                                                                          "level 1 200",
                                                                          "on 1 1"};
    }

    static void PickUpRows() {
        const QStringList ready = QStringList{"pickup on"} + kReady;
        QTest::newRow("away from the level: nothing until it comes within 2")
            << ready + QStringList{"script level 1 128", "in cc 1 0 10", "level 1 128",
                                   "marks ^-------",     "in cc 1 0 50", "level 1 128",
                                   "in cc 1 0 63",       "level 1 126",  "marks --------",
                                   "in cc 1 0 70",       "level 1 141"};
        QTest::newRow("a fast sweep past the level takes it by the crossing")
            << ready + QStringList{"script level 1 128", "in cc 1 0 10", "in cc 1 0 120",
                                   "level 1 241", "marks --------"};
        QTest::newRow("above the level: the mark says down, and crossing down takes it")
            << ready + QStringList{"script level 1 50", "in cc 1 0 100", "level 1 50",
                                   "marks v-------",    "in cc 1 0 90",  "level 1 50",
                                   "in cc 1 0 0",       "level 1 0"};
        QTest::newRow("a script's change re-arms a caught fader")
            << ready + QStringList{"in cc 1 0 0",       "in cc 1 0 64",   "level 1 129",
                                   "script level 1 10", "marks v-------", "in cc 1 0 65",
                                   "level 1 10",        "in cc 1 0 4",    "level 1 8"};
        QTest::newRow("the panel's own key re-arms it too")
            << ready + QStringList{"in cc 1 1 0",       "in cc 1 1 64",   "level 2 129",
                                   "panel level 2 200", "marks -^------", "in cc 1 1 70",
                                   "level 2 200"};
        QTest::newRow("a fader that catches a fading channel takes it out of the fade")
            << ready + QStringList{"fade 1 200 1",   "at 1500",       "tick",        "in cc 1 0 0",
                                   "marks ^-------", "in cc 1 0 127", "level 1 255", "at 2100",
                                   "tick",           "level 1 255"};
        QTest::newRow("no marks before a fader was read, nor once unplugged")
            << ready + QStringList{"script level 3 100", "marks --------", "in cc 1 2 0",
                                   "marks --^-----",     "disconnect",     "marks --------"};
        QTest::newRow("pick-up off: the fader takes its channel at once")
            << kReady + QStringList{"script level 1 128", "in cc 1 0 10", "level 1 20"};
        QTest::newRow("pick-up off: a fader moved during a fade wins over it")
            << kReady + QStringList{"fade 1 200 1", "at 1200", "tick", "in cc 1 0 10",
                                    "level 1 20",   "at 2100", "tick", "level 1 20"};
    }

    static void FeedbackRows() {
        const QStringList motors = QStringList{"profile xtouch-compact"} + kReady;
        const QStringList mackie = QStringList{"profile mackie"} + kReady;
        QTest::newRow("a motor fader is never sent back the value it just sent")
            << motors + QStringList{"in cc 1 1 100", "level 1 201", "at 1100", "out -"};
        QTest::newRow("changes from elsewhere: the latest wins, one a 20 ms")
            << motors + QStringList{"script level 1 10",
                                    "out cc 1 1 = 5",
                                    "script level 1 20",
                                    "script level 1 30",
                                    "out -",
                                    "at 1019",
                                    "out -",
                                    "at 1020",
                                    "out cc 1 1 = 15",
                                    "at 1200",
                                    "out -"};
        QTest::newRow("a value waiting for its turn is void once the fader moves")
            << motors + QStringList{"script level 1 10",
                                    "out cc 1 1 = 5",
                                    "script level 1 200",
                                    "in cc 1 1 64",
                                    "level 1 129",
                                    "at 1040",
                                    "out -"};
        QTest::newRow("touched: not driven; 250 ms after release the exact level, once")
            << mackie + QStringList{"in note 1 104 127",
                                    "script level 1 200",
                                    "at 1100",
                                    "out -",
                                    "in bend 1 4000",
                                    "level 1 62",
                                    "in note 1 104 0",
                                    "at 1349",
                                    "out -",
                                    "at 1350",
                                    "out bend 1 = 3983",
                                    "at 1600",
                                    "out -"};
        QTest::newRow("a change during the hold after release waits for it too")
            << mackie + QStringList{"in note 1 104 127",  "in note 1 104 0", "at 1100",
                                    "script level 1 100", "out -",           "at 1250",
                                    "out bend 1 = 6425"};
        QTest::newRow("only the touched fader is held")
            << mackie + QStringList{"in note 1 105 127", "script level 1 255", "out bend 1 = 16383",
                                    "script level 2 255", "out -"};
        QTest::newRow("a switch changed elsewhere lights its lamp")
            << kReady + QStringList{"script on 3 1", "out cc 1 34 = 127"};
        QTest::newRow("full state on connect, nothing while away, full state on reconnect")
            << QStringList{"script level 1 129",
                           "script on 2 1",
                           "out -",
                           "connect",
                           GenericFullState({129, 0, 0, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0, 0, 0}),
                           "disconnect",
                           "at 1000",
                           "script level 1 0",
                           "script on 8 1",
                           "at 1100",
                           "out -",
                           "connect",
                           GenericFullState({0, 0, 0, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0, 0, 1})};
        QTest::newRow("mackie full state: pitch bend and select lamps")
            << QStringList{"profile mackie", "script level 2 255", "connect",
                           "out bend 1 = 0 | note 1 24 = 0 | bend 2 = 16383 | note 1 25 = 0 | "
                           "bend 3 = 0 | note 1 26 = 0 | bend 4 = 0 | note 1 27 = 0 | "
                           "bend 5 = 0 | note 1 28 = 0 | bend 6 = 0 | note 1 29 = 0 | "
                           "bend 7 = 0 | note 1 30 = 0 | bend 8 = 0 | note 1 31 = 0"};
    }

    static void LearnRows() {
        QTest::newRow("a CC learned onto channel 3's fader drives it and gets its feedback")
            << kReady + QStringList{"learn on",       "in cc 1 20 64",    "level 3 0",
                                    "assign 3 fader", "learn off",        "in cc 1 20 127",
                                    "level 3 255",    "script level 3 0", "out cc 1 20 = 0"};
        QTest::newRow("a control learned elsewhere leaves its place in the profile")
            << kReady + QStringList{"learn on",      "in cc 1 0 10", "assign 2 fader", "learn off",
                                    "in cc 1 0 127", "level 2 255",  "level 1 0"};
        QTest::newRow("a note learned onto a switch toggles it")
            << kReady + QStringList{"learn on",        "in note 1 60 127",   "in off 1 60",
                                    "assign 5 switch", "learn off",          "in note 1 60 127",
                                    "on 5 1",          "out note 1 60 = 127"};
        QTest::newRow("a button cannot set a level, nor a fader switch")
            << kReady + QStringList{"learn on", "in note 1 60 127",
                                    "assign 1 fader a button cannot", "in bend 1 100",
                                    "assign 1 switch a fader cannot"};
        QTest::newRow("nothing heard, nothing assigned")
            << kReady + QStringList{"learn on", "assign 1 fader move a control"};
    }
};

QTEST_GUILESS_MAIN(tst_SurfaceRules)
#include "tst_surfacerules.moc"
