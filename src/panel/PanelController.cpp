#include "panel/PanelController.h"

#include "panel/PanelHost.h"

#include <utility>

PanelController::PanelController(PanelHost& host, QObject* parent) : QObject(parent), m_host(host) {
    m_repeatTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_repeatTimer, &QTimer::timeout, this, [this] {
        if (!m_ticksByHand)
            OnTimer(TIMER_REPEAT);
    });
    m_fadeTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_fadeTimer, &QTimer::timeout, this, [this] {
        if (!m_ticksByHand)
            OnFadeTick();
    });
    m_fadeClockBase.start();
}

PanelController::~PanelController() = default;

int PanelController::SendCommand(int type, int channel) {
    switch (type) {
    case CMD_CHANNEL:
    case CMD_SELECTED: {
        const int c = type == CMD_SELECTED ? m_channels.Selected() : channel;
        // Type 1 trusts its caller with the level, never with an index outside the model.
        if (!IsChannel(c))
            return 0;
        if (type == CMD_SELECTED && !IsLevel(m_channels.Level(c)))
            return 0;
        m_frame.FillSetChannel(c, m_channels.Power(c), m_channels.Level(c));
        m_link.Send(m_frame);
        if (type == CMD_SELECTED) {
            m_input.Sent();
            WakeRepeatTick();
        }
        break;
    }
    case CMD_ALL_OFF:
        m_frame.FillAllOff();
        m_link.Send(m_frame);
        break;
    case CMD_POLL:
        m_frame.FillPoll();
        m_link.Send(m_frame);
        break;
    default:
        return 0;
    }
    RequestRepaint();
    return 1;
}

void PanelController::ResetState() {
    const ChangeScope scope(*this);
    m_link.Reset();
    m_input.Reset();
    m_frame.bytes[0] = FRAME_HEADER;
    m_channels.ResetSelectionAndSliders();
}

QTimer* PanelController::Timer(int id) {
    return const_cast<QTimer*>(std::as_const(*this).Timer(id));
}

const QTimer* PanelController::Timer(int id) const {
    return id == TIMER_REPEAT ? &m_repeatTimer : m_link.Timer(id);
}

void PanelController::StartTimer(int id, int periodMs) {
    Timer(id)->start(periodMs);
}

void PanelController::StopTimer(int id) {
    if (id == TIMER_WATCHDOG)
        m_link.StopWatchdog();
    else
        Timer(id)->stop();
}

void PanelController::DriveTicksByHand(bool byHand) {
    m_ticksByHand = byHand;
    m_link.DriveTicksByHand(byHand);
}

bool PanelController::TimerRunning(int id) const {
    if (id == TIMER_WATCHDOG)
        return m_link.WatchdogRunning();
    const QTimer* timer = Timer(id);
    return timer && timer->isActive();
}

int PanelController::TimerInterval(int id) const {
    // The watchdog's timer is set for the next tick that acts; its period is the tick's.
    if (id == TIMER_WATCHDOG)
        return m_link.WatchdogRunning() ? m_link.WatchdogPeriodMs() : -1;
    const QTimer* timer = Timer(id);
    return timer && timer->isActive() ? timer->interval() : -1;
}

void PanelController::SendPoll() {
    const ChangeScope scope(*this);
    SendCommand(CMD_POLL);
}

void PanelController::SendSyncFrame(int channel) {
    const ChangeScope scope(*this);
    HoldFadeForSync(channel);
    SendCommand(CMD_CHANNEL, channel);
}

void PanelController::LampsChanged() {
    const ChangeScope scope(*this);
    RequestRepaint();
}

void PanelController::CloseRequestDue() {
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

void PanelController::ShowPortMessage(const QString& text, const QString& caption) {
    m_host.ShowMessage(text, caption);
}

void PanelController::RequestRepaint() {
    m_redrawPending = true;
    m_host.RequestRepaint();
}

void PanelController::ClearPointerAndRepeat() {
    m_input.Release();
}
