#include "surface/SeqEventDecode.h"

#include <QtTest>
#include <alsa/asoundlib.h>
#include <climits>

Q_DECLARE_METATYPE(std::optional<MidiEvent>)

namespace {

snd_seq_event_t Event(snd_seq_event_type_t type) {
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    event.type = type;
    return event;
}
snd_seq_event_t Control(snd_seq_event_type_t type, unsigned channel, unsigned param, int value) {
    snd_seq_event_t event = Event(type);
    event.data.control.channel = static_cast<unsigned char>(channel);
    event.data.control.param = param;
    event.data.control.value = value;
    return event;
}
snd_seq_event_t Note(snd_seq_event_type_t type, unsigned channel, unsigned note,
                     unsigned velocity) {
    snd_seq_event_t event = Event(type);
    event.data.note.channel = static_cast<unsigned char>(channel);
    event.data.note.note = static_cast<unsigned char>(note);
    event.data.note.velocity = static_cast<unsigned char>(velocity);
    return event;
}

} // namespace

// What the sequencer delivers, as the surface reads it: its channel messages in range, and
// nothing for everything else.
class tst_SeqDecode : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decode_data() {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<std::optional<MidiEvent>>("expected");
        const auto row = [](const char* name, const snd_seq_event_t& event,
                            std::optional<MidiEvent> expected) {
            QTest::newRow(name) << QByteArray(reinterpret_cast<const char*>(&event), sizeof event)
                                << expected;
        };
        using T = MidiEvent::Type;
        const std::optional<MidiEvent> none;
        row("controller", Control(SND_SEQ_EVENT_CONTROLLER, 0, 7, 64),
            MidiEvent{T::ControlChange, 0, 7, 64});
        row("controller on channel 16", Control(SND_SEQ_EVENT_CONTROLLER, 15, 127, 127),
            MidiEvent{T::ControlChange, 15, 127, 127});
        row("controller value 128", Control(SND_SEQ_EVENT_CONTROLLER, 0, 7, 128), none);
        row("controller value -1", Control(SND_SEQ_EVENT_CONTROLLER, 0, 7, -1), none);
        row("controller number 200", Control(SND_SEQ_EVENT_CONTROLLER, 0, 200, 1), none);
        row("controller channel 17", Control(SND_SEQ_EVENT_CONTROLLER, 16, 1, 1), none);
        row("note on", Note(SND_SEQ_EVENT_NOTEON, 0, 24, 127), MidiEvent{T::NoteOn, 0, 24, 127});
        row("note off", Note(SND_SEQ_EVENT_NOTEOFF, 1, 104, 0), MidiEvent{T::NoteOff, 1, 104, 0});
        row("note 128", Note(SND_SEQ_EVENT_NOTEON, 0, 128, 1), none);
        row("velocity 200", Note(SND_SEQ_EVENT_NOTEON, 0, 1, 200), none);
        row("pitch bend bottom", Control(SND_SEQ_EVENT_PITCHBEND, 2, 0, -8192),
            MidiEvent{T::PitchBend, 2, 0, 0});
        row("pitch bend top", Control(SND_SEQ_EVENT_PITCHBEND, 7, 0, 8191),
            MidiEvent{T::PitchBend, 7, 0, 16383});
        row("pitch bend past the top", Control(SND_SEQ_EVENT_PITCHBEND, 0, 0, 8192), none);
        row("pitch bend below the bottom", Control(SND_SEQ_EVENT_PITCHBEND, 0, 0, -8193), none);
        row("pitch bend at the int's top", Control(SND_SEQ_EVENT_PITCHBEND, 0, 0, INT_MAX), none);
        row("pitch bend at the int's bottom", Control(SND_SEQ_EVENT_PITCHBEND, 0, 0, INT_MIN),
            none);
        row("pitch bend channel 17", Control(SND_SEQ_EVENT_PITCHBEND, 16, 0, 0), none);
        row("sysex", Event(SND_SEQ_EVENT_SYSEX), none);
        row("clock", Event(SND_SEQ_EVENT_CLOCK), none);
        row("active sensing", Event(SND_SEQ_EVENT_SENSING), none);
        row("program change", Control(SND_SEQ_EVENT_PGMCHANGE, 0, 0, 3), none);
        row("14-bit controller", Control(SND_SEQ_EVENT_CONTROL14, 0, 7, 1000), none);
        row("aftertouch", Note(SND_SEQ_EVENT_KEYPRESS, 0, 60, 10), none);
        row("a client's start", Event(SND_SEQ_EVENT_CLIENT_START), none);
    }
    void decode() {
        QFETCH(QByteArray, raw);
        QFETCH(std::optional<MidiEvent>, expected);
        snd_seq_event_t event;
        std::memcpy(&event, raw.constData(), sizeof event);
        const auto got = DecodeSeqEvent(event);
        QCOMPARE(got.has_value(), expected.has_value());
        if (got)
            QCOMPARE(DescribeMidi(*got), DescribeMidi(*expected));
    }

    // What the surface sends is what a controller reading it gets.
    void encode_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("value");
        QTest::newRow("cc") << int(MidiEvent::Type::ControlChange) << 0 << 32 << 127;
        QTest::newRow("lamp off as note on 0") << int(MidiEvent::Type::NoteOn) << 0 << 24 << 0;
        QTest::newRow("bend bottom") << int(MidiEvent::Type::PitchBend) << 3 << 0 << 0;
        QTest::newRow("bend top") << int(MidiEvent::Type::PitchBend) << 7 << 0 << 16383;
    }
    void encode() {
        QFETCH(int, type);
        QFETCH(int, channel);
        QFETCH(int, number);
        QFETCH(int, value);
        const MidiEvent message{MidiEvent::Type(type), channel, number, value};
        snd_seq_event_t event;
        EncodeSeqEvent(message, event);
        const auto back = DecodeSeqEvent(event);
        QVERIFY(back.has_value());
        QCOMPARE(DescribeMidi(*back), DescribeMidi(message));
    }
};

QTEST_APPLESS_MAIN(tst_SeqDecode)
#include "tst_seqdecode.moc"
