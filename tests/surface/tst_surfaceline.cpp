#include "Pty.h"
#include "TempConfigHome.h"
#include "session/DeviceSession.h"
#include "surface/MidiScaling.h"
#include "surface/SurfaceEngine.h"

#include <QtTest>
#include <map>

using namespace std::chrono_literals;

namespace {

struct WireFrame {
    int ms;
    int channel;
    int level;
};

} // namespace

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

        std::vector<WireFrame> wire;
        std::map<int, int> newest;
        long framesRead = 0;
        const auto collect = [&] {
            const long written = session.Health().framesSent;
            const QByteArray bytes = pty.readMaster(int(written - framesRead) * FRAME_SIZE, 2000);
            QCOMPARE(bytes.size(), qsizetype(written - framesRead) * FRAME_SIZE);
            framesRead = written;
            for (qsizetype at = 0; at < bytes.size(); at += FRAME_SIZE) {
                const auto byte = [&](int i) { return int(std::uint8_t(bytes[at + i])); };
                if (byte(1) != FRAME_CODE_SET_CHANNEL)
                    continue;
                wire.push_back({now, byte(2) - 1, byte(4)});
                // Nothing overtaken goes out: the frame holds the fader's newest value.
                QCOMPARE(byte(4), newest[byte(2) - 1]);
            }
        };
        // 100 messages a second per fader for 5 s, the faders out of step with each other.
        int messages = 0;
        for (now = 0; now < 5000; ++now) {
            for (int c = 0; c < CHANNEL_COUNT; ++c) {
                if ((now + c) % 10 != 0)
                    continue;
                const int value = (now / 10 * 3 + c * 17) % 128;
                newest[c] = LevelFrom7Bit(value);
                surface.Receive({MidiEvent::Type::ControlChange, 0, c, value});
                ++messages;
                collect();
            }
            if (now % 1000 == 500) {
                // The operator's key: out at once, whatever the surface keeps waiting.
                const std::size_t before = wire.size();
                const DeviceSession::ChangeScope scope(session);
                session.Channels().SetLevel(3, newest[3]);
                session.SendCommand(CMD_CHANNEL, 3);
                collect();
                QVERIFY(wire.size() > before);
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

        for (const WireFrame& frame : wire) {
            const auto inWindow = std::count_if(wire.begin(), wire.end(), [&](const WireFrame& f) {
                return f.ms > frame.ms - 100 && f.ms <= frame.ms;
            });
            QVERIFY2(inWindow <= LineBudget::kFramesPerWindow,
                     qPrintable(QStringLiteral("%1 frames in the 100 ms up to %2 ms")
                                    .arg(inWindow)
                                    .arg(frame.ms)));
        }
        QVERIFY(wire.size() > 1000);
        std::map<int, int> last;
        for (const WireFrame& frame : wire)
            last[frame.channel] = frame.level;
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            QCOMPARE(last[c], newest[c]);
            QCOMPARE(session.Channels().Level(c), newest[c]);
        }
    }
};

QTEST_GUILESS_MAIN(tst_SurfaceLine)
#include "tst_surfaceline.moc"
