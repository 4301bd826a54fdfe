#include "settings/SettingsStore.h"

#include "settings/ProfileIni.h"
#include "settings/SettingsKeys.h"

#include <QDir>
#include <QFile>

QString ProgramFilesDir() {
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configHome.isEmpty() && QDir::isAbsolutePath(configHome))
        return QDir::cleanPath(configHome);
    return QDir::homePath() + QStringLiteral("/.config");
}

void SettingsStore::BuildPaths() {
    const QString base = ProgramFilesDir();
    // A fresh account may not have the base folder yet; the two own levels go outer first.
    QDir().mkpath(base);
    m_folderPath = base + QStringLiteral("/QV");
    QDir().mkdir(m_folderPath);
    m_folderPath = base + QStringLiteral("/QV/Morvix");
    QDir().mkdir(m_folderPath);
    m_iniPath = m_folderPath + QStringLiteral("/set.ini");
}

ChSetValues SettingsStore::Load() {
    const ProfileIni ini = ProfileIni::FromFile(m_iniPath);
    m_portName = QString::fromLocal8Bit(ini.GetString(SECTION_SET, KEY_PORT, VALUE_MISSING));
    m_presetName =
        QFile::decodeName(ini.GetString(SECTION_SET, KEY_FILE_NAME, VALUE_MISSING, ROOM_FILE_NAME));
    const ChSetValues values = ReadChSetSection(ini);
    TakeColors(values);
    return values;
}

SaveOutcome SettingsStore::Save(const ChannelValues& power, const ChannelValues& level) {
    ProfileIni ini;
    QString reason;
    bool saved = ini.Load(m_iniPath, &reason);
    if (saved) {
        ini.WriteString(SECTION_SET, KEY_PORT, m_portName.toLocal8Bit());
        ini.WriteString(SECTION_SET, KEY_FILE_NAME, QFile::encodeName(m_presetName));
        WriteChSetSection(ini, Record(power, level));
        saved = ini.SaveTo(m_iniPath, &reason);
    }
    if (saved) {
        m_saveFailureTold.clear();
        return {};
    }
    // The operator would otherwise find the levels, switches and port gone at the next start.
    const QString text =
        tr("Cannot save the settings to %1:\n%2").arg(QDir::toNativeSeparators(m_iniPath), reason);
    if (text == m_saveFailureTold)
        return {false, {}};
    m_saveFailureTold = text;
    return {false, text};
}

ChSetValues SettingsStore::Record(const ChannelValues& power, const ChannelValues& level) const {
    return {m_colorSlideLeft, m_colorSlideRight, m_colorChannel, power, level};
}

void SettingsStore::TakeColors(const ChSetValues& values) {
    SetColors({values.colorSlideLeft, values.colorSlideRight, values.colorChannel});
}

void SettingsStore::SetColors(const PanelPalette& colors) {
    m_colorSlideLeft = colors.slideLeft;
    m_colorSlideRight = colors.slideRight;
    m_colorChannel = colors.channel;
}
