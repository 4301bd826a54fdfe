#include "panel/PanelController.h"
#include "panel/PanelHost.h"

#include <QMetaObject>

void PanelController::OnInitialUpdate() {
    const ChangeScope scope(*this);
    BuildPaths();
    ResetState();
    LoadSettings();
    Connect();
    StartRepeatTick();
    StartWatchdog();
    // Goes out whether or not the port opened.
    SendCommand(CMD_POLL);
}

void PanelController::StartWatchdog() {
    m_link.StartWatchdog();
}

void PanelController::StartSynchronisation() {
    m_link.StartSynchronisation();
}

void PanelController::Connect() {
    const ChangeScope scope(*this);
    m_link.Connect(false);
}

void PanelController::OnTimer(int id) {
    const ChangeScope scope(*this);
    switch (id) {
    case TIMER_REPEAT:
        if (m_input.CountRepeatTick()) {
            const int selected = m_channels.Selected();
            int level = m_channels.Level(selected);
            if (m_hover.plusRow && level < kMaxLevel)
                ++level;
            if (m_hover.minusRow && level > kMinLevel)
                --level;
            m_channels.SetLevel(selected, level);
            SendCommand(CMD_SELECTED);
        }
        m_input.OpenSend();
        RequestRepaint();
        // Nothing held or dragged: the tick sleeps until input or a throttled send needs it again.
        if (m_repeatTickSleeps && m_input.Idle()) {
            StopTimer(TIMER_REPEAT);
            m_repeatAsleep = true;
        }
        break;

    default:
        m_link.OnTimer(id);
        break;
    }
}

void PanelController::OnCommRx(const RxBurst& burst) {
    const ChangeScope scope(*this);
    m_link.OnCommRx(burst);
}

void PanelController::ExitProgram() {
    const ChangeScope scope(*this);
    if (m_host.RunExitDialog() == DialogResult::Ok) {
        StopFade();
        SaveSettings();
        SendCommand(CMD_ALL_OFF);
        m_host.PostQuit(EXIT_CODE_CONFIRMED);
    }
    ClearPointerAndRepeat();
}

void PanelController::StartRepeatTick() {
    StartTimer(TIMER_REPEAT, REPEAT_PERIOD_MS);
    m_repeatTickSleeps = true;
    m_repeatAsleep = false;
}

void PanelController::WakeRepeatTick() {
    if (!m_repeatAsleep)
        return;
    m_repeatAsleep = false;
    StartTimer(TIMER_REPEAT, REPEAT_PERIOD_MS);
}
