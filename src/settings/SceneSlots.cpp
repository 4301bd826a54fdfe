#include "settings/SceneSlots.h"

#include "settings/ProfileIni.h"
#include "settings/SettingsKeys.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <cmath>

namespace {

// No stored value can hold a line break, so this default means the key is missing.
constexpr char kAbsent[] = "\n";

bool HasKey(const ProfileIni& ini, QByteArrayView key) {
    return ini.GetString(SECTION_CH_SET, key, kAbsent) != kAbsent;
}

bool HoldsScene(const ProfileIni& ini) {
    if (HasKey(ini, KEY_COLOR1) || HasKey(ini, KEY_COLOR2) || HasKey(ini, KEY_COLOR3))
        return true;
    for (int i = 0; i < CHANNEL_COUNT; ++i) {
        if (HasKey(ini, ChannelPowerKey(i)) || HasKey(ini, ChannelValueKey(i)))
            return true;
    }
    return false;
}

bool Refuse(QString* error, const QString& reason) {
    if (error)
        *error = reason;
    return false;
}

} // namespace

// Without a settings folder (paths not built yet) there are no slots: nothing is read, and
// nothing is written at the top of the file system.
SceneSlots::SceneSlots(const QString& settingsFolder)
    : m_folder(settingsFolder.isEmpty() ? QString() : settingsFolder + QStringLiteral("/scenes")) {}

QString SceneSlots::PathOf(int slot) const {
    return m_folder + QStringLiteral("/scene-%1.qvd").arg(slot);
}

SceneSlotContents SceneSlots::Read(int slot) const {
    SceneSlotContents contents;
    if (!IsSlot(slot) || m_folder.isEmpty())
        return contents;
    ProfileIni ini;
    if (!ini.Load(PathOf(slot), &contents.error)) {
        contents.state = SceneState::Unreadable;
        return contents;
    }
    contents.scene.fadeSeconds = ParseFadeSeconds(ini.GetString(SECTION_CH_SET, KEY_FADE, ""));
    if (!HoldsScene(ini))
        return contents;
    contents.state = SceneState::Stored;
    contents.scene.values = ReadChSetSection(ini);
    return contents;
}

bool SceneSlots::Store(int slot, const ChSetValues& values, const QString& port,
                       const QString& presetName, QString* error) const {
    if (!IsSlot(slot) || m_folder.isEmpty())
        return Refuse(error, QStringLiteral("no scene slot %1").arg(slot));
    const SceneSlotContents old = Read(slot);
    if (old.state == SceneState::Unreadable)
        return Refuse(error, old.error);
    // Written whole, in the order of a settings file, whatever the old file held.
    ProfileIni ini;
    ini.WriteString(SECTION_SET, KEY_PORT, port.toLocal8Bit());
    ini.WriteString(SECTION_SET, KEY_FILE_NAME, QFile::encodeName(presetName));
    WriteChSetSection(ini, values);
    ini.WriteString(SECTION_CH_SET, KEY_FADE, FadeSecondsText(old.scene.fadeSeconds));
    if (!QDir().mkpath(m_folder))
        return Refuse(error,
                      QStringLiteral("cannot create %1").arg(QDir::toNativeSeparators(m_folder)));
    return ini.SaveTo(PathOf(slot), error);
}

bool SceneSlots::SetFadeTime(int slot, double seconds, QString* error) const {
    if (!IsSlot(slot) || m_folder.isEmpty())
        return Refuse(error, QStringLiteral("no scene slot %1").arg(slot));
    if (!std::isfinite(seconds) || seconds < 0.0 || seconds > kMaxFadeSeconds)
        return Refuse(error, QStringLiteral("fade time must be 0..%1 s").arg(kMaxFadeSeconds));
    ProfileIni ini;
    if (!ini.Load(PathOf(slot), error))
        return false;
    ini.WriteString(SECTION_CH_SET, KEY_FADE, FadeSecondsText(seconds));
    if (!QDir().mkpath(m_folder))
        return Refuse(error,
                      QStringLiteral("cannot create %1").arg(QDir::toNativeSeparators(m_folder)));
    return ini.SaveTo(PathOf(slot), error);
}

double ParseFadeSeconds(QByteArrayView text) {
    bool ok = false;
    const double seconds = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0.0 || seconds > kMaxFadeSeconds)
        return 0.0;
    return seconds;
}

QByteArray FadeSecondsText(double seconds) {
    return QByteArray::number(seconds, 'g', QLocale::FloatingPointShortest);
}
