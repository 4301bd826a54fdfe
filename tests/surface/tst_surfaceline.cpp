#include "Pty.h"
#include "TempConfigHome.h"
#include "WireLog.h"
#include "session/DeviceSession.h"
#include "surface/MidiScaling.h"
#include "surface/SurfaceEngine.h"

#include <QtTest>
#include <map>

using namespace std::chrono_literals;

// A sweep of eight faders takes the session's road to a real line: the line budget decides when
// a frame goes, each carries the newest value, and every channel ends at its fader's last value.
class tst_SurfaceLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void eightFaderSweep_keepsTheBudget_lastValuesArrive() {
        TempConfigHome home;
        PtyPair pty;
        QVERIFY(pty.ok());
        DeviceSession session;
        session.DriveTicksByHand(true);
        session.ResetState();
        int now = 0;
        session.SetFadeClock([&] { return FadeEngine::Clock(std::chrono::milliseconds(now)); });
        session.Com().Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
        QVERIFY(session.Com().Open());
        SurfaceEngine surface(session);
        surface.DriveTicksByHand(true);
        surface.SetClock([&] { return SurfaceEngine::Clock(now); });
        surface.Configure(*FindSurfaceProfile(QStringLiteral("generic")), {}, false);
        surface.Connect();

        WireLog wire(pty, session);
        const auto collect = [&] { wire.Collect(now); };
        // 100 messages a second per fader for 5 s, the faders out of step with each other.
        int messages = 0;
        for (now = 0; now < 5000; ++now) {
            for (int c = 0; c < CHANNEL_COUNT; ++c) {
                if ((now + c) % 10 != 0)
                    continue;
                const int value = (now / 10 * 3 + c * 17) % 128;
                wire.newest[c] = LevelFrom7Bit(value);
                surface.Receive({MidiEvent::Type::ControlChange, 0, c, value});
                ++messages;
                collect();
            }
            if (now % 1000 == 500) {
                // The operator's key: out at once, whatever the surface keeps waiting.
                const std::size_t before = wire.Frames().size();
                const DeviceSession::ChangeScope scope(session);
                session.Channels().SetLevel(3, wire.newest[3]);
                session.SendCommand(CMD_CHANNEL, 3);
                collect();
                QVERIFY(wire.Frames().size() > before);
            }
            if (now % 20 == 0)
                session.OnLineTick();
            collect();
        }
        for (; now < 5200; now += 20) {
            session.OnLineTick();
            collect();
        }
        QVERIFY(!session.Line().Waiting());
        QCOMPARE(messages, 4000);

        const int most = wire.MostWithin(100);
        QVERIFY2(most <= LineBudget::kFramesPerWindow, qPrintable(QString::number(most)));
        QVERIFY(wire.Frames().size() > 1000);
        const std::map<int, int> last = wire.LastLevels();
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            QCOMPARE(last.at(c), wire.newest[c]);
            QCOMPARE(session.Channels().Level(c), wire.newest[c]);
        }
    }
};

QTEST_GUILESS_MAIN(tst_SurfaceLine)
#include "tst_surfaceline.moc"
