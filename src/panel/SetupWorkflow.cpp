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
    const InputScope scope(*this);
    // The SETUP press has set m_buttonHeld; nothing may stay grabbed behind the dialog.
    m_input.LetGo();

    const PanelPalette colors = m_session.Settings().Colors();
    SetupValues values;
    values.m_strPortText = m_session.Settings().PortName();
    values.m_colorSlideL = colors.slideLeft;
    values.m_colorSlideR = colors.slideRight;
    values.m_colorCh = colors.channel;
    values.m_presetPath = m_session.Settings().PresetName();
    values.m_bAllOff = false;
    values.m_presetAction = PresetAction::None;

    // A preset saved in this command is a copy of exactly this file.
    m_session.SaveSettings();

    DialogResult answer = DialogResult::Cancel;
    {
        const DeviceSession::ModalGap gap(m_session);
        answer = m_host.RunSetupDialog(values);
    }
    if (answer == DialogResult::Ok) {
        m_session.StopFade();
        m_session.Settings().SetPortName(values.m_strPortText);
        m_session.Settings().SetColors(
            {values.m_colorSlideL, values.m_colorSlideR, values.m_colorCh});

        if (values.m_bAllOff) {
            m_session.Channels().AllOff();
            SendCommand(CMD_ALL_OFF);
        }

        switch (values.m_presetAction) {
        case PresetAction::Save:
            // A failed or refused copy has been dealt with by the operator; Setup goes on.
            ShellCopyFile(m_session.Settings().IniPath(), values.m_presetPath, m_host);
            break;
        case PresetAction::Load:
            LoadPresetFrom(values.m_presetPath);
            break;
        default:
            break;
        }

        m_session.SaveSettings();
        m_session.Connect();
        SendCommand(CMD_POLL);
    }

    ClearPointerAndRepeat();
}

void PanelController::LoadPreset() {
    const InputScope scope(*this);
    LoadPresetFrom(m_session.Settings().PresetName());
}

bool PanelController::LoadPresetFrom(const QString& path) {
    if (m_session.ApplyPresetFile(path))
        return true;
    m_host.ShowMessage(PresetUnreadableText(path), QStringLiteral("Morvix"));
    return false;
}
