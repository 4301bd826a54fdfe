#pragma once

#include "model/SceneLimits.h"
#include "settings/ChSetSection.h"

#include <QByteArrayView>
#include <QString>

// The fade time of a slot, in seconds, in its "CH SET" section; Setup's Open does not read it.
inline constexpr char KEY_FADE[] = "Fade";

struct Scene {
    ChSetValues values;
    double fadeSeconds = 0.0;
    bool operator==(const Scene&) const = default;
};

enum class SceneState {
    Empty,      // no file, or one without colours and channels (a fade time set before a store)
    Stored,     // colours and channels, missing keys read as 0 like Setup's Open
    Unreadable, // the file is there but cannot be read
};

struct SceneSlotContents {
    SceneState state = SceneState::Empty;
    // The fade time is kept for an empty slot too.
    Scene scene;
    // The system's reason when unreadable.
    QString error;
};

// Eight scene slots, "scenes/scene-1.qvd" .. "scene-8.qvd" in the settings folder. Each is a
// preset file as Setup's Save writes it, so Setup's Open loads a scene too, plus its fade time.
// Slots are numbered 1..8 as the operator sees them. Writes are staged like every save.
class SceneSlots {
public:
    explicit SceneSlots(const QString& settingsFolder);

    static bool IsSlot(int slot) { return slot >= 1 && slot <= SCENE_SLOTS; }
    QString Folder() const { return m_folder; }
    QString PathOf(int slot) const;

    SceneSlotContents Read(int slot) const;
    // The colours and channels into the slot, with the "set" section of the moment as Setup's
    // Save would copy it; the slot's fade time stays. An unreadable slot file is left alone.
    bool Store(int slot, const ChSetValues& values, const QString& port, const QString& presetName,
               QString* error = nullptr) const;
    // Seconds 0..kMaxFadeSeconds; an empty slot keeps the time for the scene stored into it later.
    bool SetFadeTime(int slot, double seconds, QString* error = nullptr) const;

private:
    QString m_folder;
};

// A slot's "Fade" text as seconds: a decimal number 0..kMaxFadeSeconds; anything else is 0, an
// instant change.
double ParseFadeSeconds(QByteArrayView text);
// Seconds as written to the file: the shortest text that reads back the same.
QByteArray FadeSecondsText(double seconds);
