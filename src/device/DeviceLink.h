#pragma once

#include "device/CCom.h"
#include "model/ChannelFrame.h"
#include "model/LinkHealth.h"
#include "model/LinkState.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>

// The timers' names as the panel's documents know them; each timer has its own tick below.
inline constexpr int TIMER_WATCHDOG = 400;
inline constexpr int TIMER_SYNC = 40000;
inline constexpr int WATCHDOG_PERIOD_START_MS = 500;
inline constexpr int WATCHDOG_PERIOD_SUPERVISING_MS = 300;
inline constexpr int SYNC_PERIOD_MS = 20;
// While the device is away: look for its path again once a second.
inline constexpr int TIMER_RECONNECT = 600;
inline constexpr int RECONNECT_PERIOD_MS = 1000;

// The supervision counters and lamps as one value, for painting, tests and replays.
struct LinkSupervision {
    int txFlag = 0;
    int rxFlag = 0;
    int idleTicks = 0;
    int silentTicks = 0;
    int linkLost = 0;
    int blinkPhase = 0;
    int syncIndex = 0;
    bool operator==(const LinkSupervision&) const = default;
};

// Watchdog ticks from now to the first one that changes anything: 1 when the very next one does
// (a lamp to put out, a close request to take, a blink on screen). The ticks before it only count
// and turn a blink nobody sees; the first that does more polls or turns the link lamp red.
int TicksUntilEffective(const LinkSupervision& s, bool closeRequested, bool blinkShown);
// What a tick that changes nothing does: count, and turn the blink nobody sees.
void QuietTick(LinkSupervision& s);

// The link to the device: the port, the watchdog and its lamps, the synchronisation of all
// channels after an opening, looking for a device that went away, and the link's figures. What
// goes into a frame is the owner's business; the link asks for frames through its client.
class DeviceLink : public QObject {
    Q_OBJECT

public:
    class Client {
    public:
        virtual void SendPoll() = 0;
        virtual void SendSyncFrame(int channel) = 0;
        // The lamps (or the link state) changed: repaint them.
        virtual void LampsChanged() = 0;
        // A close request was waiting at this watchdog tick.
        virtual void CloseRequestDue() = 0;
        virtual void ShowPortMessage(const QString& text, const QString& caption) = 0;
        // The port name the operator chose, as it is now.
        virtual QString PortName() const = 0;
        // Something on screen blinks with the watchdog (a number being typed).
        virtual bool BlinkShown() const = 0;

    protected:
        ~Client() = default;
    };

    explicit DeviceLink(Client& client, QObject* parent = nullptr);
    ~DeviceLink() override;

    // Opens the chosen port; with quiet no message box, not even the port's own.
    bool Connect(bool quiet);
    // Writes a whole frame, lights TX and counts it when it went out whole.
    void Send(const ChannelFrame& frame);
    void Reset();

    // The watchdog sleeps through ticks that change nothing and wakes for the next one that does,
    // in the phase it was started with; a change that brings such a tick nearer (a frame, an
    // answer, a close request, a blink shown) moves the wake-up, never the phase.
    void StartWatchdog();
    void StopWatchdog();
    bool WatchdogRunning() const { return m_watchdogRunning; }
    int WatchdogPeriodMs() const { return m_watchdogPeriodMs; }
    // After the client changed what the watchdog looks at (BlinkShown): wake at the right tick.
    void Reschedule();
    void StartSynchronisation();
    // Stops it where it stands (a test that wants only the operator's frames on the wire).
    void StopSynchronisation();
    bool SyncRunning() const { return m_syncTimer.isActive(); }
    // One tick of each timer, as the timers call them and tests step them; the watchdog's is
    // exactly one tick.
    void OnWatchdogTick();
    void OnSyncTick();
    void OnCommRx(const RxBurst& burst);
    // The device went away under an open port: grey lamp, then look for it again.
    void OnPortClosed();
    // Once a second while the port is closed by something that may clear: connect when the
    // device's path exists again, without a message.
    void OnReconnectTick();
    bool ReconnectPending() const { return m_reconnectPending; }
    int ReconnectPeriodMs() const {
        return m_reconnectTimer.isActive() ? m_reconnectTimer.interval() : -1;
    }

    // The main frame's close request: the next watchdog tick takes it.
    void RequestClose();
    bool CloseRequestPending() const { return m_closeRequested; }

    CCom& Com() { return m_com; }
    const CCom& Com() const { return m_com; }
    bool PortOpen() const { return m_com.IsConnected(); }
    LinkState CurrentLinkState() const;
    LinkHealth Health() const;
    LinkSupervision Supervision() const;
    // Puts the counters and lamps where a test or a replay needs them.
    void RestoreSupervision(const LinkSupervision& s);

    void DriveTicksByHand(bool byHand) { m_ticksByHand = byHand; }

private:
    void StartReconnect();
    void StopReconnect();
    void StartWatchdogAt(int periodMs);
    // The timer fired: the ticks it slept through, then the one it woke for.
    void OnWatchdogTimeout();
    // Counts the ticks slept through until now; before anything changes what they count.
    void CatchUp();
    void SetSupervision(const LinkSupervision& s);
    // Ticks whose time has come since the last one counted, at most `limit`.
    int TicksDue(int limit) const;

    Client& m_client;
    CCom m_com;
    QTimer m_watchdogTimer;
    QTimer m_syncTimer;
    QTimer m_reconnectTimer;
    int m_txFlag = 0;
    int m_rxFlag = 0;
    int m_idleTicks = 0;
    int m_silentTicks = 0;
    int m_linkLost = 0;
    int m_blinkPhase = 0;
    int m_syncIndex = 0;
    // Cleared on every open, set by the first answer after it.
    bool m_answeredSinceOpen = false;
    LinkCounters m_linkCounters;
    bool m_syncRunning = false;
    bool m_reconnectPending = false;
    bool m_connecting = false;
    bool m_closeRequested = false;
    bool m_ticksByHand = false;
    using Clock = std::chrono::steady_clock;
    bool m_watchdogRunning = false;
    int m_watchdogPeriodMs = WATCHDOG_PERIOD_START_MS;
    // When the last tick, done or slept through, was due; the phase every later one keeps.
    Clock::time_point m_lastTick{};
    // Ticks after m_lastTick the timer is set for: the last of them is the one that acts.
    int m_ticksArmed = 1;
};
