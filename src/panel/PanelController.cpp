#include "panel/PanelController.h"

#include "panel/PanelHost.h"

PanelController::PanelController(DeviceSession& session, PanelHost& host, QObject* parent)
    : QObject(parent), m_session(session), m_host(host) {
    m_session.SetPrompts(&m_host);
    m_repeatTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_repeatTimer, &QTimer::timeout, this, [this] {
        if (!m_session.TicksByHand())
            OnRepeatTick();
    });
    connect(&m_session, &DeviceSession::RepaintWanted, this, &PanelController::RequestRepaint);
    connect(&m_session, &DeviceSession::ExitRequested, this, &PanelController::OnExitRequested);
}

PanelController::~PanelController() {
    m_session.SetPrompts(nullptr);
}

int PanelController::SendCommand(int type, int channel) {
    const int sent = m_session.SendCommand(type, channel);
    if (sent && type == CMD_SELECTED) {
        m_input.Sent();
        WakeRepeatTick();
    }
    return sent;
}

void PanelController::ResetState() {
    const InputScope scope(*this);
    m_input.Reset();
    m_session.ResetState();
}

void PanelController::OnExitRequested() {
    // The exit dialog runs after this tick has returned: a modal loop inside the tick would
    // hold back every later tick, and supervision must go on while the dialog is open.
    if (m_exitQueued)
        return;
    m_exitQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            ExitProgram();
            m_exitQueued = false;
        },
        Qt::QueuedConnection);
}

void PanelController::RequestRepaint() {
    m_redrawPending = true;
    m_host.RequestRepaint();
}

void PanelController::ClearPointerAndRepeat() {
    m_input.Release();
}
