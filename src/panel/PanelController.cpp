#include "panel/PanelController.h"

#include "panel/PanelHost.h"

#include <utility>

PanelController::PanelController(PanelHost& host, QObject* parent) : QObject(parent), m_host(host) {
    for (const int id : {TIMER_WATCHDOG, TIMER_REPEAT, TIMER_SYNC, TIMER_RECONNECT}) {
        QTimer* timer = Timer(id);
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, id] {
            if (!m_ticksByHand)
                OnTimer(id);
        });
    }
}

PanelController::~PanelController() = default;

int PanelController::SendCommand(int type, int channel) {
    switch (type) {
    case CMD_CHANNEL:
    case CMD_SELECTED: {
        const int c = type == CMD_SELECTED ? m_selectedChannel : channel;
        // Type 1 trusts its caller with the level, never with an index outside the model.
        if (c < 0 || c >= CHANNEL_COUNT)
            return 0;
        if (type == CMD_SELECTED && (m_channelLevel[c] < 0 || m_channelLevel[c] > 255))
            return 0;
        m_txFlag = 1;
        m_frame.FillSetChannel(c, m_channelPower[c], m_channelLevel[c]);
        m_idleTicks = 0;
        WriteFrame();
        if (type == CMD_SELECTED) {
            m_sendReady = 0;
            WakeRepeatTick();
        }
        break;
    }
    case CMD_ALL_OFF:
        m_frame.FillAllOff();
        m_txFlag = 1;
        m_idleTicks = 0;
        WriteFrame();
        break;
    case CMD_POLL:
        m_txFlag = 1;
        m_idleTicks = 0;
        m_frame.FillPoll();
        WriteFrame();
        break;
    default:
        return 0;
    }
    RequestRepaint();
    return 1;
}

void PanelController::ResetState() {
    const ChangeScope scope(*this);
    m_selectedChannel = 0;
    m_idleTicks = 0;
    m_syncIndex = 0;
    m_silentTicks = 0;
    m_repeatTicks = 0;
    m_repeatActive = 0;
    m_buttonHeld = 0;
    m_dragActive = 0;
    m_txFlag = 0;
    m_rxFlag = 0;
    m_linkLost = 0;
    m_digitCount = 0;
    m_typedValue = 0;
    m_typedDigits = {};
    m_frame.bytes[0] = FRAME_HEADER;
    m_sliderOrigin.fill(250);
    m_closeRequested = false;
}

void PanelController::WriteFrame() {
    const auto at = LinkCounters::Clock::now();
    if (m_com.Write(m_frame.bytes.data(), FRAME_SIZE) == FRAME_SIZE)
        m_linkCounters.FrameWritten(at);
}

QTimer* PanelController::Timer(int id) {
    return const_cast<QTimer*>(std::as_const(*this).Timer(id));
}

const QTimer* PanelController::Timer(int id) const {
    switch (id) {
    case TIMER_WATCHDOG:
        return &m_watchdogTimer;
    case TIMER_REPEAT:
        return &m_repeatTimer;
    case TIMER_SYNC:
        return &m_syncTimer;
    case TIMER_RECONNECT:
        return &m_reconnectTimer;
    default:
        return nullptr;
    }
}

void PanelController::StartTimer(int id, int periodMs) {
    Timer(id)->start(periodMs);
}

void PanelController::StopTimer(int id) {
    Timer(id)->stop();
}

bool PanelController::TimerRunning(int id) const {
    const QTimer* timer = Timer(id);
    return timer && timer->isActive();
}

int PanelController::TimerInterval(int id) const {
    const QTimer* timer = Timer(id);
    return timer && timer->isActive() ? timer->interval() : -1;
}

void PanelController::RequestRepaint() {
    m_redrawPending = 1;
    m_host.RequestRepaint();
}

void PanelController::ClearPointerAndRepeat() {
    m_buttonHeld = 0;
    m_dragActive = 0;
    m_repeatActive = 0;
    m_repeatTicks = 0;
}
