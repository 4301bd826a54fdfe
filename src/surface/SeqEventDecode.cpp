#include "surface/SeqEventDecode.h"

#include <alsa/asoundlib.h>

namespace {

bool InRange(int value, int high) {
    return value >= 0 && value <= high;
}

} // namespace

std::optional<MidiEvent> DecodeSeqEvent(const snd_seq_event& event) {
    MidiEvent out;
    switch (event.type) {
    case SND_SEQ_EVENT_CONTROLLER:
        out = {MidiEvent::Type::ControlChange, int(event.data.control.channel),
               int(event.data.control.param), int(event.data.control.value)};
        break;
    case SND_SEQ_EVENT_NOTEON:
    case SND_SEQ_EVENT_NOTEOFF:
        out = {
            event.type == SND_SEQ_EVENT_NOTEON ? MidiEvent::Type::NoteOn : MidiEvent::Type::NoteOff,
            int(event.data.note.channel), int(event.data.note.note), int(event.data.note.velocity)};
        break;
    case SND_SEQ_EVENT_PITCHBEND: {
        // The sequencer centres pitch bend on 0; the wire's 14 bits centre on 8192. Any other
        // client can send any 32-bit value, so the range is checked before the shift.
        const int bend = event.data.control.value;
        if (bend < -8192 || bend > 8191)
            return std::nullopt;
        out = {MidiEvent::Type::PitchBend, int(event.data.control.channel), 0, bend + 8192};
        return InRange(out.channel, 15) ? std::optional<MidiEvent>(out) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
    if (!InRange(out.channel, 15) || !InRange(out.number, 127) || !InRange(out.value, 127))
        return std::nullopt;
    return out;
}

void EncodeSeqEvent(const MidiEvent& message, snd_seq_event& event) {
    snd_seq_ev_clear(&event);
    const auto channel = static_cast<unsigned char>(message.channel);
    switch (message.type) {
    case MidiEvent::Type::ControlChange:
        snd_seq_ev_set_controller(&event, channel, message.number, message.value);
        break;
    case MidiEvent::Type::NoteOn:
        snd_seq_ev_set_noteon(&event, channel, message.number, message.value);
        break;
    case MidiEvent::Type::NoteOff:
        snd_seq_ev_set_noteoff(&event, channel, message.number, message.value);
        break;
    case MidiEvent::Type::PitchBend:
        snd_seq_ev_set_pitchbend(&event, channel, message.value - 8192);
        break;
    }
}
