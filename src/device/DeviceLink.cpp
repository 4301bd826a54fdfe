#include "device/DeviceLink.h"

#include "device/PortDiscovery.h"
#include "device/PortErrorText.h"

#include <QFile>
#include <algorithm>
#include <sys/stat.h>
#include <utility>

namespace {
constexpr int kIdleTicksBeforePoll = 10;
constexpr int kSilentTicksBeforeLinkLost = 10;
constexpr std::uint32_t kBaudRate = 19200;
constexpr std::uint8_t kDataBits = 8;
constexpr StopBits kOneStopBit = StopBits::One;
constexpr Parity kOddParity = Parity::Odd;
constexpr char kAcknowledge = 'u';
} // namespace

DeviceLink::DeviceLink(Client& client, QObject* parent) : QObject(parent), m_client(client) {
    m_watchdogTimer.setSingleShot(true);
    for (QTimer* timer : {&m_watchdogTimer, &m_syncTimer, &m_reconnectTimer})
        timer->setTimerType(Qt::PreciseTimer);
    connect(&m_watchdogTimer, &QTimer::timeout, this, [this] {
        if (!m_ticksByHand)
            OnWatchdogTimeout();
    });
    connect(&m_syncTimer, &QTimer::timeout, this, [this] {
        if (!m_ticksByHand)
            OnSyncTick();
    });
    connect(&m_reconnectTimer, &QTimer::timeout, this, [this] {
        if (!m_ticksByHand)
            OnReconnectTick();
    });
}

int TicksUntilEffective(const LinkSupervision& s, bool closeRequested, bool blinkShown) {
    if (closeRequested || s.txFlag != 0 || s.rxFlag != 0 || blinkShown)
        return 1;
    int ticks = kIdleTicksBeforePoll + 1 - s.idleTicks;
    // Once the lamp is red, the silent count starting over changes nothing anyone sees.
    if (s.linkLost == 0)
        ticks = std::min(ticks, kSilentTicksBeforeLinkLost + 1 - s.silentTicks);
    return std::max(ticks, 1);
}

void QuietTick(LinkSupervision& s) {
    s.txFlag = 0;
    s.blinkPhase = !s.blinkPhase;
    ++s.idleTicks;
    s.rxFlag = 0;
    if (++s.silentTicks > kSilentTicksBeforeLinkLost) {
        s.silentTicks = 0;
        s.linkLost = 1;
    }
}

DeviceLink::~DeviceLink() = default;

void DeviceLink::Reset() {
    CatchUp();
    m_idleTicks = 0;
    m_syncIndex = 0;
    m_silentTicks = 0;
    m_txFlag = 0;
    m_rxFlag = 0;
    m_linkLost = 0;
    m_closeRequested = false;
    Reschedule();
}

void DeviceLink::RequestClose() {
    m_closeRequested = true;
    Reschedule();
}

bool DeviceLink::Connect(bool quiet) {
    if (m_com.IsConnected())
        m_com.Close();
    m_com.Configure(m_client.PortName(), kBaudRate, kDataBits, kOneStopBit, kOddParity);
    m_answeredSinceOpen = false;
    // A reconnect opens the adapter that was open before, wherever it is now.
    if (quiet ? m_com.Reopen() : m_com.Open()) {
        m_com.SetReceiver(this, {[this](const RxBurst& burst) { OnCommRx(burst); },
                                 [this] { OnPortClosed(); },
                                 [this](const PortMessage& message) {
                                     m_client.ShowPortMessage(message.text, message.caption);
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
            m_client.ShowPortMessage(error.text, error.caption);
        FindPortHolder(error);
        m_client.ShowPortMessage(tr("포트를 확인하십시요.\n\n") +
                                     PortErrorText(error, DiscoverPorts()),
                                 QStringLiteral("Morvix"));
    }
    // A name, a permission or a file that is no port stays wrong until the operator acts; but
    // an adapter that was open before and just came back may still wait for udev to give its
    // node the group it had.
    const bool returning =
        quiet && m_com.OpenedAdapter().IsKnown() && error.kind == PortErrorKind::PermissionDenied;
    if (error.MayClearByItself() || returning)
        StartReconnect();
    else
        StopReconnect();
    return false;
}

void DeviceLink::Send(const ChannelFrame& frame) {
    CatchUp();
    m_txFlag = 1;
    m_idleTicks = 0;
    const auto at = LinkCounters::Clock::now();
    if (m_com.Write(frame.bytes.data(), FRAME_SIZE) == FRAME_SIZE)
        m_linkCounters.FrameWritten(at);
    Reschedule();
}

void DeviceLink::StartWatchdog() {
    StartWatchdogAt(WATCHDOG_PERIOD_START_MS);
}

void DeviceLink::StartWatchdogAt(int periodMs) {
    // As a timer started anew: the first tick one period from now, the phase from here on.
    m_watchdogRunning = true;
    m_watchdogPeriodMs = periodMs;
    m_lastTick = Clock::now();
    Reschedule();
}

void DeviceLink::StopWatchdog() {
    CatchUp();
    m_watchdogRunning = false;
    m_watchdogTimer.stop();
}

int DeviceLink::TicksDue(int limit) const {
    if (!m_watchdogRunning || m_ticksByHand || limit <= 0)
        return 0;
    const auto period = std::chrono::milliseconds(m_watchdogPeriodMs);
    const auto due = (Clock::now() - m_lastTick) / period;
    return static_cast<int>(std::min<decltype(due)>(due, limit));
}

void DeviceLink::CatchUp() {
    // Only the ticks before the one the timer is set for: they change nothing by construction.
    const int ticks = TicksDue(m_ticksArmed - 1);
    if (ticks == 0)
        return;
    LinkSupervision s = Supervision();
    for (int i = 0; i < ticks; ++i)
        QuietTick(s);
    SetSupervision(s);
    m_lastTick += ticks * std::chrono::milliseconds(m_watchdogPeriodMs);
    m_ticksArmed -= ticks;
}

void DeviceLink::Reschedule() {
    if (!m_watchdogRunning)
        return;
    // What changed came after the ticks slept through so far, so they stay as quiet as foreseen.
    CatchUp();
    m_ticksArmed = TicksUntilEffective(Supervision(), m_closeRequested, m_client.BlinkShown());
    const auto due = m_lastTick + m_ticksArmed * std::chrono::milliseconds(m_watchdogPeriodMs);
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now());
    m_watchdogTimer.start(static_cast<int>(std::max<std::int64_t>(0, wait.count())));
}

void DeviceLink::OnWatchdogTimeout() {
    CatchUp();
    // This tick counts as done before it runs, so nothing it causes counts it again. One more
    // than a period late (a stalled loop) starts the phase afresh, as a repeating timer would.
    const auto period = std::chrono::milliseconds(m_watchdogPeriodMs);
    const Clock::time_point due = m_lastTick + period;
    const Clock::time_point now = Clock::now();
    m_lastTick = now - due >= period ? now : due;
    m_ticksArmed = 1;
    OnWatchdogTick();
    Reschedule();
}

void DeviceLink::StartSynchronisation() {
    m_syncIndex = 0;
    m_syncTimer.start(SYNC_PERIOD_MS);
    m_syncRunning = true;
}

void DeviceLink::StopSynchronisation() {
    m_syncTimer.stop();
    m_syncRunning = false;
}

void DeviceLink::OnWatchdogTick() {
    if (!m_ticksByHand)
        CatchUp();
    if (std::exchange(m_closeRequested, false))
        m_client.CloseRequestDue();
    m_txFlag = 0;
    m_blinkPhase = !m_blinkPhase;
    ++m_idleTicks;
    m_rxFlag = 0;
    if (m_idleTicks > kIdleTicksBeforePoll)
        m_client.SendPoll();
    if (++m_silentTicks > kSilentTicksBeforeLinkLost) {
        m_silentTicks = 0;
        m_linkLost = 1;
    }
    // The lamps and a typed number's blink change here.
    m_client.LampsChanged();
}

void DeviceLink::OnSyncTick() {
    // The first answer since the port opened starts it, even when a watchdog tick has put the RX
    // lamp out before this tick came: waiting for the next keep-alive poll's answer would hold
    // the device's channels back by seconds.
    if (!m_rxFlag && !m_answeredSinceOpen)
        return;
    StopWatchdog();
    if (m_syncIndex < CHANNEL_COUNT) {
        m_client.SendSyncFrame(m_syncIndex);
        ++m_syncIndex;
        return;
    }
    StopSynchronisation();
    StartWatchdogAt(WATCHDOG_PERIOD_SUPERVISING_MS);
}

void DeviceLink::OnCommRx(const RxBurst& burst) {
    if (burst.bytes[0] != static_cast<std::uint8_t>(kAcknowledge))
        return;
    CatchUp();
    m_rxFlag = 1;
    m_answeredSinceOpen = true;
    m_idleTicks = 0;
    m_silentTicks = 0;
    // Answers that arrive within one read window come as one read; each is still an answer.
    int answers = 0;
    while (answers < int(burst.count) && answers < int(burst.bytes.size()) &&
           burst.bytes[answers] == static_cast<std::uint8_t>(kAcknowledge))
        ++answers;
    m_linkCounters.AnswerReceived(LinkCounters::Clock::now(), std::max(answers, 1));
    m_linkLost = 0;
    Reschedule();
    m_client.LampsChanged();
}

void DeviceLink::OnPortClosed() {
    m_client.LampsChanged();
    StartReconnect();
}

void DeviceLink::OnReconnectTick() {
    if (m_com.IsConnected()) {
        StopReconnect();
        return;
    }
    // The synchronisation finishes first (it sends into the closed port); and a tick that
    // arrives while a message box of an earlier attempt is open waits for that attempt.
    if (m_connecting || m_syncRunning)
        return;
    // Only a look while the device is away: opening it would do nothing more. An adapter is
    // looked for by what it is, under whatever number it comes back, never another one.
    m_com.Configure(m_client.PortName(), kBaudRate, kDataBits, kOneStopBit, kOddParity);
    if (m_com.ReturnedPath().isEmpty())
        return;
    m_connecting = true;
    // The synchronisation waits for an answer of the device that has come back, not for one
    // the watchdog has not cleared yet.
    m_rxFlag = 0;
    if (Connect(true))
        m_client.SendPoll();
    m_connecting = false;
}

void DeviceLink::StartReconnect() {
    if (m_reconnectPending)
        return;
    m_reconnectPending = true;
    m_reconnectTimer.start(RECONNECT_PERIOD_MS);
}

void DeviceLink::StopReconnect() {
    if (!m_reconnectPending)
        return;
    m_reconnectPending = false;
    m_reconnectTimer.stop();
}

LinkState DeviceLink::CurrentLinkState() const {
    if (!PortOpen())
        return LinkState::Closed;
    if (m_linkLost != 0)
        return LinkState::NoAnswer;
    return m_answeredSinceOpen ? LinkState::Answering : LinkState::Waiting;
}

LinkHealth DeviceLink::Health() const {
    LinkHealth health = m_linkCounters.Figures(LinkCounters::Clock::now());
    health.state = CurrentLinkState();
    const QString portName = m_client.PortName();
    const bool chosen = !portName.trimmed().isEmpty() &&
                        portName.compare(QLatin1String("NULL"), Qt::CaseInsensitive) != 0;
    if (chosen)
        health.portPath = m_com.IsConnected() ? m_com.OpenedPath() : CCom::DevicePath(portName);
    if (m_com.IsConnected() && m_com.AdapterLatencyMs() >= 0)
        health.adapterLatencyMs = m_com.AdapterLatencyMs();
    return health;
}

LinkSupervision DeviceLink::Supervision() const {
    return {m_txFlag, m_rxFlag, m_idleTicks, m_silentTicks, m_linkLost, m_blinkPhase, m_syncIndex};
}

void DeviceLink::RestoreSupervision(const LinkSupervision& s) {
    CatchUp();
    SetSupervision(s);
    Reschedule();
}

void DeviceLink::SetSupervision(const LinkSupervision& s) {
    m_txFlag = s.txFlag;
    m_rxFlag = s.rxFlag;
    m_idleTicks = s.idleTicks;
    m_silentTicks = s.silentTicks;
    m_linkLost = s.linkLost;
    m_blinkPhase = s.blinkPhase;
    m_syncIndex = s.syncIndex;
}
