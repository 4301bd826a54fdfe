#include "panel/ControllerSettings.h"
#include "panel/PanelController.h"
#include "panel/PanelHost.h"
#include "settings/ChSetSection.h"
#include "settings/PresetFile.h"
#include "settings/ProfileIni.h"
#include "settings/SetupValues.h"
#include "settings/ShellCopyFile.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

namespace {

QString PresetUnreadableText(const QString& path) {
    return PanelController::tr("프리셋 파일을 읽을 수 없습니다.\n%1")
        .arg(QDir::toNativeSeparators(path));
}

} // namespace

void PanelController::RunSetup() {
    const ChangeScope scope(*this);
    // The SETUP press has set m_buttonHeld; nothing may stay grabbed behind the dialog.
    m_dragActive = false;
    m_buttonHeld = false;

    SetupValues values;
    values.m_strPortText = m_portName;
    values.m_colorSlideL = m_colorSlideLeft;
    values.m_colorSlideR = m_colorSlideRight;
    values.m_colorCh = m_colorChannel;
    values.m_presetPath = m_presetName;
    values.m_bAllOff = 0;
    values.m_presetAction = PRESET_NONE;

    // A preset saved in this command is a copy of exactly this file.
    SaveSettings();

    if (m_host.RunSetupDialog(values) == DialogResult::Ok) {
        StopFade();
        m_portName = values.m_strPortText;
        m_colorChannel = values.m_colorCh;
        m_colorSlideLeft = values.m_colorSlideL;
        m_colorSlideRight = values.m_colorSlideR;

        if (values.m_bAllOff != 0) {
            m_channelPower.fill(0);
            m_channelLevel.fill(0);
            SendCommand(CMD_ALL_OFF);
        }

        switch (values.m_presetAction) {
        case PRESET_SAVE:
            // A failed or refused copy has been dealt with by the operator; Setup goes on.
            ShellCopyFile(m_iniPath, values.m_presetPath, m_host);
            break;
        case PRESET_LOAD:
            LoadPresetFrom(values.m_presetPath);
            break;
        default:
            break;
        }

        SaveSettings();
        Connect();
        SendCommand(CMD_POLL);
    }

    ClearPointerAndRepeat();
}

void PanelController::LoadPreset() {
    const ChangeScope scope(*this);
    LoadPresetFrom(m_presetName);
}

bool PanelController::LoadPresetFrom(const QString& path) {
    if (ApplyPresetFile(path))
        return true;
    m_host.ShowMessage(PresetUnreadableText(path), QStringLiteral("Morvix"));
    return false;
}

bool PanelController::ApplyPresetFile(const QString& path) {
    const auto preset = ReadPresetFile(path);
    if (!preset)
        return false;
    m_presetName = path;
    ApplyChSetValues(*this, *preset);
    return true;
}
