#include "device/PortDiscovery.h"
#include "device/PortErrorText.h"
#include "panel/PanelController.h"
#include "panel/PanelHost.h"

#include <QMetaObject>
#include <utility>

namespace {
constexpr int kIdleTicksBeforePoll = 10;
constexpr int kSilentTicksBeforeLinkLost = 10;
constexpr int kRepeatDelayTicks = 20;
constexpr std::uint32_t kBaudRate = 19200;
constexpr std::uint8_t kDataBits = 8;
constexpr std::uint8_t kOneStopBit = 0;
constexpr std::uint8_t kOddParity = 1;
constexpr char kAcknowledge = 'u';
} // namespace

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
    StartTimer(TIMER_WATCHDOG, WATCHDOG_PERIOD_START_MS);
}

void PanelController::StartSynchronisation() {
    m_syncIndex = 0;
    StartTimer(TIMER_SYNC, SYNC_PERIOD_MS);
    m_syncRunning = true;
}

void PanelController::Connect() {
    const ChangeScope scope(*this);
    ConnectPort(false);
}

bool PanelController::ConnectPort(bool quiet) {
    if (m_com.IsConnected())
        m_com.Close();
    m_com.Configure(m_portName, kBaudRate, kDataBits, kOneStopBit, kOddParity);
    m_answeredSinceOpen = false;
    if (m_com.Open()) {
        m_com.SetReceiver(this, {[this](const RxBurst& burst) { OnCommRx(burst); },
                                 [this] { OnPortClosed(); },
                                 [this](const PortMessage& message) {
                                     m_host.ShowMessage(message.text, message.caption);
                                 }});
        m_linkCounters.PortOpened();
        StartSynchronisation();
        StopReconnect();
        return true;
    }
    PortError error = m_com.LastError();
    if (!quiet) {
        // The port's own words first, then which port and why.
        if (!error.text.isEmpty())
            m_host.ShowMessage(error.text, error.caption);
        FindPortHolder(error);
        m_host.ShowMessage(tr("포트를 확인하십시요.\n\n") + PortErrorText(error, DiscoverPorts()),
                           QStringLiteral("Morvix"));
    }
    // A name, a permission or a file that is no port stays wrong until the operator acts.
    if (error.MayClearByItself())
        StartReconnect();
    else
        StopReconnect();
    return false;
}

void PanelController::OnTimer(int id) {
    const ChangeScope scope(*this);
    switch (id) {
    case TIMER_WATCHDOG:
        // The exit dialog runs after this tick has returned: a modal loop inside the tick would
        // hold back every later tick, and supervision must go on while the dialog is open.
        if (std::exchange(m_closeRequested, false) && !m_exitQueued) {
            m_exitQueued = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    ExitProgram();
                    m_exitQueued = false;
                },
                Qt::QueuedConnection);
        }
        m_txFlag = 0;
        m_blinkPhase = !m_blinkPhase;
        ++m_idleTicks;
        m_rxFlag = 0;
        if (m_idleTicks > kIdleTicksBeforePoll)
            SendCommand(CMD_POLL);
        if (++m_silentTicks > kSilentTicksBeforeLinkLost) {
            m_silentTicks = 0;
            m_linkLost = 1;
        }
        // The lamps and a typed number's blink change here; the repeat tick that used to show
        // them may be asleep.
        RequestRepaint();
        break;

    case TIMER_REPEAT:
        if (m_repeatActive) {
            const int ticksBefore = m_repeatTicks++;
            if (ticksBefore > kRepeatDelayTicks) {
                int& level = m_channelLevel[m_selectedChannel];
                if (m_hoverPlus != 0 && level < 255)
                    ++level;
                if (m_hoverMinus != 0 && level > 0)
                    --level;
                SendCommand(CMD_SELECTED);
            }
        }
        m_sendReady = 1;
        RequestRepaint();
        // Nothing held or dragged: the tick sleeps until input or a throttled send needs it again.
        if (m_repeatTickSleeps && !m_repeatActive && !m_buttonHeld && !m_dragActive) {
            StopTimer(TIMER_REPEAT);
            m_repeatAsleep = true;
        }
        break;

    case TIMER_SYNC:
        // The first answer since the port opened starts it, even when a watchdog tick has put
        // the RX lamp out before this tick came: waiting for the next keep-alive poll's answer
        // would hold the device's channels back by seconds.
        if (!m_rxFlag && !m_answeredSinceOpen)
            break;
        StopTimer(TIMER_WATCHDOG);
        if (m_syncIndex < CHANNEL_COUNT) {
            SendCommand(CMD_CHANNEL, m_syncIndex);
            ++m_syncIndex;
            break;
        }
        StopTimer(TIMER_SYNC);
        m_syncRunning = false;
        StartTimer(TIMER_WATCHDOG, WATCHDOG_PERIOD_SUPERVISING_MS);
        break;

    case TIMER_RECONNECT:
        OnReconnectTick();
        break;

    default:
        break;
    }
}

void PanelController::OnCommRx(const RxBurst& burst) {
    const ChangeScope scope(*this);
    if (burst.bytes[0] != static_cast<std::uint8_t>(kAcknowledge))
        return;
    m_rxFlag = 1;
    m_answeredSinceOpen = true;
    m_idleTicks = 0;
    m_silentTicks = 0;
    m_linkCounters.AnswerReceived(LinkCounters::Clock::now());
    RequestRepaint();
    m_linkLost = 0;
}

void PanelController::ExitProgram() {
    const ChangeScope scope(*this);
    if (m_host.RunExitDialog() == DialogResult::Ok) {
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
