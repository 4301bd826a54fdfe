#pragma once

#include "surface/MidiEvent.h"

#include <optional>

struct snd_seq_event;

// A sequencer event as one of the surface's channel messages; nothing for anything else
// (SysEx, clock, active sensing, announcements) and for values out of their ranges.
std::optional<MidiEvent> DecodeSeqEvent(const snd_seq_event& event);
// The sequencer event for a channel message; the caller sets source and destination.
void EncodeSeqEvent(const MidiEvent& message, snd_seq_event& event);
