#include "panel/PanelController.h"
#include "panel/PanelHost.h"

void PanelController::OnInitialUpdate() {
    const InputScope scope(*this);
    m_session.BuildPaths();
    ResetState();
    m_session.LoadSettings();
    m_session.Connect();
    StartRepeatTick();
    m_session.StartWatchdog();
    // Goes out whether or not the port opened.
    SendCommand(CMD_POLL);
}

void PanelController::OnRepeatTick() {
    const InputScope scope(*this);
    ChannelModel& channels = m_session.Channels();
    if (m_input.CountRepeatTick()) {
        const int selected = channels.Selected();
        int level = channels.Level(selected);
        if (m_hover.plusRow && level < kMaxLevel)
            ++level;
        if (m_hover.minusRow && level > kMinLevel)
            --level;
        channels.SetLevel(selected, level);
        SendCommand(CMD_SELECTED);
    }
    m_input.OpenSend();
    RequestRepaint();
    // Nothing held or dragged: the tick sleeps until input or a throttled send needs it again.
    if (m_repeatTickSleeps && m_input.Idle()) {
        m_repeatTimer.stop();
        m_repeatAsleep = true;
    }
}

void PanelController::ExitProgram() {
    const InputScope scope(*this);
    DialogResult answer = DialogResult::Cancel;
    {
        const DeviceSession::ModalGap gap(m_session);
        answer = m_host.RunExitDialog();
    }
    if (answer == DialogResult::Ok) {
        m_session.StopFade();
        m_session.SaveSettings();
        SendCommand(CMD_ALL_OFF);
        m_host.PostQuit(EXIT_CODE_CONFIRMED);
    }
    ClearPointerAndRepeat();
}

void PanelController::StartRepeatTick() {
    m_repeatTimer.start(REPEAT_PERIOD_MS);
    m_repeatTickSleeps = true;
    m_repeatAsleep = false;
}

void PanelController::WakeRepeatTick() {
    if (!m_repeatAsleep)
        return;
    m_repeatAsleep = false;
    m_repeatTimer.start(REPEAT_PERIOD_MS);
}
