#include "session/DeviceSession.h"

FadeEngine::Clock DeviceSession::Now() const {
    if (m_fadeClock)
        return m_fadeClock();
    return FadeEngine::Clock{m_clockBase.nsecsElapsed() / 1000};
}

bool DeviceSession::SyncRunning() const {
    return m_link.SyncRunning();
}

void DeviceSession::Queue(int channel) {
    m_line.Want(channel);
    FlushLine();
    KeepLineTicking();
}

// The synchronisation after a connect keeps its own pace, one frame a tick, and is never held
// back; what waits takes the room it leaves. A channel it sends no longer waits.
void DeviceSession::FlushLine() {
    for (const LineBudget::Item& item : m_line.Due(Now())) {
        if (item.allOff)
            SendCommand(CMD_ALL_OFF);
        else
            SendCommand(CMD_CHANNEL, item.channel);
    }
}

void DeviceSession::KeepLineTicking() {
    if (m_line.Waiting() || m_fade.Running()) {
        if (!m_lineTimer.isActive())
            m_lineTimer.start(LINE_PERIOD_MS);
    } else {
        m_lineTimer.stop();
    }
}

void DeviceSession::OnLineTick() {
    const ChangeScope scope(*this, ChangeOrigin::Fade());
    FlushLine();
    // A synchronisation cut short (its timer stopped) must not hold the fade for ever.
    if (m_fade.Held() && !SyncRunning())
        m_fade.Hold(false, Now());
    // What waited went first; the fade takes the room that is left.
    const int room = m_line.Room(Now(), LineBudget::Margin::None);
    for (const FadeFrame& frame : m_fade.Tick(Now(), Standing(), room)) {
        m_channels.SetOn(frame.channel, frame.on);
        m_channels.SetLevel(frame.channel, frame.level);
        SendCommand(CMD_CHANNEL, frame.channel);
    }
    KeepLineTicking();
}
