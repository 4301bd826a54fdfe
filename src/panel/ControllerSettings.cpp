#include "panel/ControllerSettings.h"

#include "panel/PanelController.h"
#include "panel/PanelHost.h"
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

ChSetValues ChSetValuesOf(const PanelController& panel) {
    ChSetValues values;
    values.colorSlideLeft = panel.m_colorSlideLeft;
    values.colorSlideRight = panel.m_colorSlideRight;
    values.colorChannel = panel.m_colorChannel;
    values.power = panel.m_channelPower;
    values.level = panel.m_channelLevel;
    return values;
}

void ApplyChSetValues(PanelController& panel, const ChSetValues& values) {
    panel.m_colorSlideLeft = values.colorSlideLeft;
    panel.m_colorSlideRight = values.colorSlideRight;
    panel.m_colorChannel = values.colorChannel;
    panel.m_channelPower = values.power;
    panel.m_channelLevel = values.level;
}

void PanelController::BuildPaths() {
    const QString base = ProgramFilesDir();
    // A fresh account may not have the base folder yet; the two own levels go outer first.
    QDir().mkpath(base);
    m_folderPath = base + QStringLiteral("/QV");
    QDir().mkdir(m_folderPath);
    m_folderPath = base + QStringLiteral("/QV/Morvix");
    QDir().mkdir(m_folderPath);
    m_iniPath = m_folderPath + QStringLiteral("/set.ini");
}

void PanelController::LoadSettings() {
    const ChangeScope scope(*this);
    const ProfileIni ini = ProfileIni::FromFile(m_iniPath);
    m_portName = QString::fromLocal8Bit(ini.GetString(SECTION_SET, KEY_PORT, VALUE_MISSING));
    m_presetName =
        QFile::decodeName(ini.GetString(SECTION_SET, KEY_FILE_NAME, VALUE_MISSING, ROOM_FILE_NAME));
    ApplyChSetValues(*this, ReadChSetSection(ini));
}

void PanelController::SaveSettings() {
    ProfileIni ini;
    QString reason;
    // A file that exists but cannot be read is left alone rather than replaced by our keys only.
    bool saved = ini.Load(m_iniPath, &reason);
    if (saved) {
        ini.WriteString(SECTION_SET, KEY_PORT, m_portName.toLocal8Bit());
        ini.WriteString(SECTION_SET, KEY_FILE_NAME, QFile::encodeName(m_presetName));
        WriteChSetSection(ini, ChSetValuesOf(*this));
        saved = ini.SaveTo(m_iniPath, &reason);
    }
    if (saved) {
        m_saveFailureTold.clear();
        return;
    }
    // The operator would otherwise find the levels, switches and port gone at the next start;
    // the same failure again (Setup saves twice) is not worth a second box.
    const QString text =
        tr("Cannot save the settings to %1:\n%2").arg(QDir::toNativeSeparators(m_iniPath), reason);
    if (text == m_saveFailureTold)
        return;
    m_saveFailureTold = text;
    m_host.ShowMessage(text, QStringLiteral("Morvix"));
}
