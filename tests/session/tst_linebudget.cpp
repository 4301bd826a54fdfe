#include "Pty.h"
#include "TempConfigHome.h"
#include "WireLog.h"
#include "session/DeviceSession.h"
#include "session/LineBudget.h"

#include <QtTest>
#include <map>

using namespace std::chrono_literals;
using Clock = LineBudget::Clock;

namespace {

// "c<n>" for a channel's frame, "off" for the all-off frame.
QString Describe(const std::vector<LineBudget::Item>& items) {
    QStringList text;
    for (const auto& item : items)
        text << (item.allOff ? QStringLiteral("off") : QStringLiteral("c%1").arg(item.channel));
    return text.join(' ');
}

} // namespace

class tst_LineBudget : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each step: "<ms> want <channel>", "<ms> alloff", "<ms> panel <channel>" (a frame the
    // panel's own road wrote at once), "<ms> faderoom <n>" (the room a fade has, on the plain
    // window), or "<ms> due <what goes>" (then sent).
    void budget_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("a single change with the line free goes at once")
            << QStringList{"0 want 3", "0 due c3"};
        QTest::newRow("five a tick, the rest the next tick, in the order asked")
            << QStringList{"0 want 7", "0 want 1",    "0 want 2", "0 want 3",
                           "0 want 4", "0 want 5",    "0 want 6", "0 due c7 c1 c2 c3 c4",
                           "10 due",   "20 due c5 c6"};
        QTest::newRow("asked again before it went: one frame, its place kept")
            << QStringList{"0 want 2", "0 want 5", "0 want 2", "0 due c2 c5"};
        QTest::newRow("the panel's frames count, and settle their channel")
            << QStringList{"0 panel 0", "0 panel 0",   "0 panel 0", "0 want 1", "0 want 2",
                           "0 want 4",  "0 due c1 c2", "0 panel 4", "20 due"};
        QTest::newRow("all off goes before the channels")
            << QStringList{"0 want 1", "0 alloff", "0 due off c1"};
        QTest::newRow("a tick a little early still finds the room the last one left")
            << QStringList{"0 want 0", "0 want 1", "0 want 2",
                           "0 want 3", "0 want 4", "0 due c0 c1 c2 c3 c4",
                           "0 want 5", "18 due c5"};
        QTest::newRow("24 in any 100 ms and a tick, whoever sends")
            << QStringList{"0 want 0",        "0 want 1",     "0 want 2",
                           "0 want 3",        "0 want 4",     "0 due c0 c1 c2 c3 c4",
                           "20 want 0",       "20 want 1",    "20 want 2",
                           "20 want 3",       "20 want 4",    "20 due c0 c1 c2 c3 c4",
                           "40 want 0",       "40 want 1",    "40 want 2",
                           "40 want 3",       "40 want 4",    "40 due c0 c1 c2 c3 c4",
                           "60 want 0",       "60 want 1",    "60 want 2",
                           "60 want 3",       "60 want 4",    "60 due c0 c1 c2 c3 c4",
                           "80 panel 7",      "80 want 0",    "80 want 1",
                           "80 want 2",       "80 want 3",    "80 want 4",
                           "80 due c0 c1 c2", "100 due",      "100 faderoom 5",
                           "119 due",         "120 due c3 c4"};
    }
    void budget() {
        QFETCH(QStringList, steps);
        LineBudget line;
        for (const QString& step : steps) {
            const QStringList words = step.split(' ');
            const Clock now = std::chrono::milliseconds(words[0].toInt());
            const QString what = words[1];
            if (what == "want") {
                line.Want(words[2].toInt());
            } else if (what == "alloff") {
                line.WantAllOff();
            } else if (what == "faderoom") {
                QCOMPARE(line.Room(now, LineBudget::Margin::None), words[2].toInt());
            } else if (what == "panel") {
                line.Sent(now, words[2].toInt());
            } else {
                const auto due = line.Due(now);
                QCOMPARE(Describe(due), words.mid(2).join(' '));
                for (const auto& item : due)
                    line.Sent(now, item.allOff ? std::nullopt : std::optional<int>(item.channel),
                              item.allOff);
            }
        }
    }

    // Eight clients change their channels every 5 ms for a second, the line ticks every 20 ms,
    // and the panel's own road sends now and then: what reaches the line never overruns it,
    // every frame carries the newest value, and each channel ends at its last value.
    void flood_keepsTheBudget_latestWins_lastValueArrives() {
        TempConfigHome home;
        PtyPair pty;
        QVERIFY(pty.ok());
        DeviceSession session;
        session.DriveTicksByHand(true);
        session.ResetState();
        Clock now{0};
        session.SetFadeClock([&] { return now; });
        session.Com().Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
        QVERIFY(session.Com().Open());

        // Everything the port has written so far, read off the master before anything else
        // changes.
        WireLog wire(pty, session);
        const auto collect = [&] {
            wire.Collect(int(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
        };
        const ChangeOrigin client{ChangeOrigin::Kind::Script, 9};
        int requests = 0;
        for (int ms = 0; ms < 1000; ms += 5) {
            now = std::chrono::milliseconds(ms);
            for (int c = 0; c < CHANNEL_COUNT; ++c) {
                const int level = (ms / 5 * 7 + c * 31) % 256;
                wire.newest[c] = level;
                QVERIFY(session.Request(SessionRequest::Level(c + 1, level), client).ok());
                ++requests;
                collect();
            }
            if (ms % 100 == 50) {
                // The operator's key on channel 1: it goes out at once, whatever waits.
                const std::size_t before = wire.Frames().size();
                session.Channels().SetLevel(0, wire.newest[0]);
                session.SendCommand(CMD_CHANNEL, 0);
                collect();
                QVERIFY(wire.Frames().size() > before);
            }
            if (ms % 20 == 0)
                session.OnLineTick();
            collect();
        }
        for (int ms = 1000; ms < 1200; ms += 20) {
            now = std::chrono::milliseconds(ms);
            session.OnLineTick();
            collect();
        }
        QVERIFY(!session.Line().Waiting());
        QVERIFY(!session.LineTickRunning());

        // Never more than 24 in any 100 ms (the operator's own frames included) nor 5 in a tick.
        const int most = wire.MostWithin(100);
        QVERIFY2(most <= LineBudget::kFramesPerWindow, qPrintable(QString::number(most)));
        QVERIFY(wire.MostWithin(1) <= LineBudget::kFramesPerTick + 1);
        // The line was kept busy, far below what was asked.
        QVERIFY(wire.Frames().size() > 200);
        QVERIFY(int(wire.Frames().size()) < requests / 4);
        const std::map<int, int> last = wire.LastLevels();
        for (int c = 0; c < CHANNEL_COUNT; ++c)
            QCOMPARE(last.at(c), wire.newest[c]);
    }
};

QTEST_GUILESS_MAIN(tst_LineBudget)
#include "tst_linebudget.moc"
