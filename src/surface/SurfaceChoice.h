#pragma once

#include "model/Channels.h"
#include "surface/MidiControl.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// Controls learned onto the panel's elements; they take the place of the profile's.
struct LearnedMap {
    std::array<std::optional<MidiControl>, CHANNEL_COUNT> faders{};
    std::array<std::optional<MidiControl>, CHANNEL_COUNT> switches{};
    bool operator==(const LearnedMap&) const = default;
};

// What surface.ini holds: the controller by client and port name, never by the sequencer's
// numbers, which change with every plug-in. No port: no surface.
struct SurfaceChoice {
    QString port; // "<client name>:<port name>"
    QString profile = QStringLiteral("generic");
    bool pickUp = true;
    LearnedMap learned;
    bool operator==(const SurfaceChoice&) const = default;
};

// Beside set.ini, which stays as it is.
QString SurfaceIniPath(const QString& settingsFolder);
// Reads the file; a missing file is no surface. Each value that cannot be used is left at its
// default and named in `problems`, one line each.
SurfaceChoice LoadSurfaceChoice(const QString& path, QStringList* problems = nullptr);
// Empty when written, else why not.
QString SaveSurfaceChoice(const QString& path, const SurfaceChoice& choice);
// "Client:Port" split at the first colon; nothing when either half is empty.
std::optional<std::pair<QString, QString>> SplitPortName(const QString& port);
