#pragma once

#include <QString>

// One channel message as the surface speaks it. MIDI channels are 0..15 here (1..16 on screen),
// numbers 0..127, values 0..127 or, for pitch bend, 0..16383.
struct MidiEvent {
    enum class Type { ControlChange, NoteOn, NoteOff, PitchBend };

    Type type = Type::ControlChange;
    int channel = 0;
    int number = 0;
    int value = 0;

    bool operator==(const MidiEvent&) const = default;
};

// "cc 1 7 = 64", "note 1 24 = 127", "bend 3 = 8192": for logs, tests and the dialog.
QString DescribeMidi(const MidiEvent& event);
