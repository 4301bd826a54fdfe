#include "panel/PanelController.h"
#include "panel/PanelHost.h"

#include <QFile>
#include <sys/stat.h>

void PanelController::OnPortClosed() {
    const ChangeScope scope(*this);
    RequestRepaint();
    StartReconnect();
}

void PanelController::OnReconnectTick() {
    if (m_com.IsConnected()) {
        StopReconnect();
        return;
    }
    // The synchronisation finishes first (it sends into the closed port); and a tick that
    // arrives while a message box of an earlier attempt is open waits for that attempt.
    if (m_connecting || m_syncRunning)
        return;
    // Only a look at the path while the device is away: opening it would do nothing more.
    struct stat st {};
    if (::stat(QFile::encodeName(CCom::DevicePath(m_portName)).constData(), &st) != 0)
        return;
    m_connecting = true;
    // The synchronisation waits for an answer of the device that has come back, not for one
    // the watchdog has not cleared yet.
    m_rxFlag = 0;
    if (ConnectPort(true))
        SendCommand(CMD_POLL);
    m_connecting = false;
}

void PanelController::StartReconnect() {
    if (m_reconnectPending)
        return;
    m_reconnectPending = true;
    StartTimer(TIMER_RECONNECT, RECONNECT_PERIOD_MS);
}

void PanelController::StopReconnect() {
    if (!m_reconnectPending)
        return;
    m_reconnectPending = false;
    StopTimer(TIMER_RECONNECT);
}

LinkHealth PanelController::Health() const {
    LinkHealth health = m_linkCounters.Figures(LinkCounters::Clock::now());
    health.state = CurrentLinkState();
    const bool chosen = !m_portName.trimmed().isEmpty() &&
                        m_portName.compare(QLatin1String("NULL"), Qt::CaseInsensitive) != 0;
    if (chosen)
        health.portPath = CCom::DevicePath(m_portName);
    return health;
}
