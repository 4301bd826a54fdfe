// Whatever a sequencer client may deliver, as raw sequencer events, through the decoder into the
// surface's rules on a real session, with the clock stepping between them: nothing outside the
// profile changes a channel, levels stay in range, and what goes back is a valid message.
#include "FuzzInput.h"
#include "session/DeviceSession.h"
#include "surface/SeqEventDecode.h"
#include "surface/SurfaceEngine.h"

#include <QCoreApplication>
#include <alsa/asoundlib.h>
#include <cstring>

namespace {

bool ValidMessage(const MidiEvent& m) {
    const int top = m.type == MidiEvent::Type::PitchBend ? 16383 : 127;
    return m.channel >= 0 && m.channel <= 15 && m.number >= 0 && m.number <= 127 && m.value >= 0 &&
           m.value <= top;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    qputenv("XDG_CONFIG_HOME", "/nonexistent-morvix-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    DeviceSession session;
    session.DriveTicksByHand(true);
    SurfaceEngine engine(session);
    int now = 0;
    bool badOutput = false;
    engine.DriveTicksByHand(true);
    engine.SetClock([&] { return SurfaceEngine::Clock(now); });
    engine.SetOutput([&](const MidiEvent& m) { badOutput = badOutput || !ValidMessage(m); });
    const QStringList ids = SurfaceProfileIds();
    engine.Configure(*FindSurfaceProfile(ids[in.Byte() % ids.size()]), {}, in.Byte() % 2 != 0);
    engine.Connect();

    while (!in.Empty()) {
        now += in.Byte() % 64;
        engine.Tick();
        snd_seq_event_t event;
        std::memset(&event, 0, sizeof event);
        const QByteArray raw = in.Bytes(sizeof event);
        std::memcpy(&event, raw.constData(), std::size_t(raw.size()));
        const ChannelModel before = session.Channels();
        const auto message = DecodeSeqEvent(event);
        if (!message)
            continue;
        FUZZ_CHECK(ValidMessage(*message));
        engine.Receive(*message);
        for (int c = 0; c < CHANNEL_COUNT; ++c) {
            FUZZ_CHECK(IsLevel(session.Channels().Level(c)));
            // A switch changes only on a press.
            if (session.Channels().On(c) != before.On(c))
                FUZZ_CHECK(message->type != MidiEvent::Type::NoteOff && message->value > 0 &&
                           message->type != MidiEvent::Type::PitchBend);
        }
        FUZZ_CHECK(!badOutput);
    }
    return 0;
}
