#include "surface/MidiControl.h"

#include <QStringList>

bool MidiControl::Matches(const MidiEvent& event) const {
    return Present() && Of(event) == *this;
}

MidiControl MidiControl::Of(const MidiEvent& event) {
    switch (event.type) {
    case MidiEvent::Type::ControlChange:
        return Cc(event.channel, event.number);
    case MidiEvent::Type::NoteOn:
    case MidiEvent::Type::NoteOff:
        return Note(event.channel, event.number);
    case MidiEvent::Type::PitchBend:
        return Bend(event.channel);
    }
    return {};
}

MidiEvent MidiControl::Message(int value) const {
    switch (kind) {
    case Kind::CC:
        return {MidiEvent::Type::ControlChange, channel, number, value};
    case Kind::Note:
        // A lamp is switched off by a note-on with velocity 0, as controllers expect.
        return {MidiEvent::Type::NoteOn, channel, number, value};
    case Kind::PitchBend:
    case Kind::None:
        break;
    }
    return {MidiEvent::Type::PitchBend, channel, 0, value};
}

QString MidiControl::ToText() const {
    switch (kind) {
    case Kind::CC:
        return QStringLiteral("cc/%1/%2").arg(channel + 1).arg(number);
    case Kind::Note:
        return QStringLiteral("note/%1/%2").arg(channel + 1).arg(number);
    case Kind::PitchBend:
        return QStringLiteral("bend/%1").arg(channel + 1);
    case Kind::None:
        break;
    }
    return {};
}

std::optional<MidiControl> MidiControl::FromText(const QString& text) {
    const QStringList parts = text.trimmed().toLower().split(QLatin1Char('/'));
    const auto number = [&](int i, int low, int high) -> std::optional<int> {
        bool ok = false;
        const int n = parts.value(i).toInt(&ok);
        return ok && n >= low && n <= high ? std::optional<int>(n) : std::nullopt;
    };
    const auto channel = number(1, 1, 16);
    if (!channel)
        return std::nullopt;
    if (parts.size() == 2 && parts[0] == QLatin1String("bend"))
        return Bend(*channel - 1);
    const auto n = number(2, 0, 127);
    if (parts.size() != 3 || !n)
        return std::nullopt;
    if (parts[0] == QLatin1String("cc"))
        return Cc(*channel - 1, *n);
    if (parts[0] == QLatin1String("note"))
        return Note(*channel - 1, *n);
    return std::nullopt;
}

QString DescribeMidi(const MidiEvent& event) {
    switch (event.type) {
    case MidiEvent::Type::ControlChange:
        return QStringLiteral("cc %1 %2 = %3")
            .arg(event.channel + 1)
            .arg(event.number)
            .arg(event.value);
    case MidiEvent::Type::NoteOn:
        return QStringLiteral("note %1 %2 = %3")
            .arg(event.channel + 1)
            .arg(event.number)
            .arg(event.value);
    case MidiEvent::Type::NoteOff:
        return QStringLiteral("off %1 %2").arg(event.channel + 1).arg(event.number);
    case MidiEvent::Type::PitchBend:
        return QStringLiteral("bend %1 = %2").arg(event.channel + 1).arg(event.value);
    }
    return {};
}
