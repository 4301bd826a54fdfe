#include "panel/PanelController.h"

#include "panel/PanelHost.h"

PanelController::PanelController(PanelHost& host, QObject* parent)
    : QObject(parent), m_host(host) {}

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
    m_host.ClearCloseRequest();
}

void PanelController::WriteFrame() {
    const auto at = LinkCounters::Clock::now();
    if (m_com.Write(m_frame.bytes.data(), FRAME_SIZE) == FRAME_SIZE)
        m_linkCounters.FrameWritten(at);
}

bool PanelController::event(QEvent* e) {
    if (e->type() == static_cast<QEvent::Type>(WM_COMM_RX)) {
        const auto* rx = static_cast<CommRxEvent*>(e);
        OnCommRx(rx->wParam(), rx->lParam());
        return true;
    }
    if (e->type() == static_cast<QEvent::Type>(WM_COMM_CLOSED)) {
        OnPortClosed();
        return true;
    }
    return QObject::event(e);
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
