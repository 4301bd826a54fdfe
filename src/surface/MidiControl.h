#pragma once

#include "surface/MidiEvent.h"

#include <QString>
#include <optional>

// Where a control sits on the controller: a controller number, a note, or a MIDI channel's pitch
// bend. The same address carries the control's input and its feedback.
struct MidiControl {
    enum class Kind { None, CC, Note, PitchBend };

    Kind kind = Kind::None;
    int channel = 0; // 0..15
    int number = 0;  // 0..127; unused for pitch bend

    static constexpr MidiControl Cc(int channel, int number) { return {Kind::CC, channel, number}; }
    static constexpr MidiControl Note(int channel, int number) {
        return {Kind::Note, channel, number};
    }
    static constexpr MidiControl Bend(int channel) { return {Kind::PitchBend, channel, 0}; }

    bool Present() const { return kind != Kind::None; }
    // True when the event comes from this control (a note's on and off both do).
    bool Matches(const MidiEvent& event) const;
    // The control an event came from.
    static MidiControl Of(const MidiEvent& event);
    // The message that sets this control to `value`.
    MidiEvent Message(int value) const;
    // Values 0..127, or 0..16383 for pitch bend.
    int MaxValue() const { return kind == Kind::PitchBend ? 16383 : 127; }

    // "cc/1/7", "note/1/24", "bend/3" (MIDI channels 1..16), as surface.ini keeps it.
    QString ToText() const;
    // Nothing for text that names no control, or numbers out of range.
    static std::optional<MidiControl> FromText(const QString& text);

    bool operator==(const MidiControl&) const = default;
};
