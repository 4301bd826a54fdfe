#pragma once

#include "device/DeviceLink.h"
#include "model/ChannelFrame.h"
#include "model/LinkHealth.h"
#include "model/LinkState.h"
#include "model/OperatorPrompts.h"
#include "session/ChangeOrigin.h"
#include "session/ChannelModel.h"
#include "session/FadeEngine.h"
#include "session/LineBudget.h"
#include "session/SessionRequest.h"
#include "settings/ChSetSection.h"
#include "settings/SceneSlots.h"
#include "settings/SettingsStore.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>

// The line tick: it runs while changes wait for the line or a fade runs.
inline constexpr int LINE_PERIOD_MS = 20;

// One connected device and what goes with it: the channel model, the settings store, the device
// link (port, watchdog, synchronisation, reconnect), the fades and scenes, and the line budget.
// The application owns it; the panel window, the bus and other clients work on it side by side.
//
// Every frame goes out through SendCommand. The panel's own keys and pointer change the model
// and send at once; changes from anywhere else come through Request, are checked once, and wait
// for the line's room with the fades. Every change is announced once, with its origin, at the end
// of the outermost change scope, whether or not a dialog is open.
class DeviceSession : public QObject, private DeviceLink::Client {
    Q_OBJECT

public:
    explicit DeviceSession(QObject* parent = nullptr);
    ~DeviceSession() override;

    // Who answers the operator's questions and reads the messages; without one (no window) the
    // messages go to stderr and questions are answered no.
    void SetPrompts(OperatorPrompts* prompts) { m_prompts = prompts; }
    OperatorPrompts& Prompts();

    // Groups changes into one announcement, made when the outermost scope ends; the changes are
    // told as made by `origin`.
    class ChangeScope {
    public:
        explicit ChangeScope(DeviceSession& session, ChangeOrigin origin = ChangeOrigin::Panel());
        ~ChangeScope();
        ChangeScope(const ChangeScope&) = delete;
        ChangeScope& operator=(const ChangeScope&) = delete;

    private:
        DeviceSession& m_session;
        ChangeOrigin m_outerOrigin;
    };
    // Held around a modal dialog: what the scopes around it changed is announced now, and every
    // change made while the dialog runs (a tick, a script) is announced as it ends.
    class ModalGap {
    public:
        explicit ModalGap(DeviceSession& session);
        ~ModalGap();
        ModalGap(const ModalGap&) = delete;
        ModalGap& operator=(const ModalGap&) = delete;

    private:
        DeviceSession& m_session;
        int m_depth;
        ChangeOrigin m_origin;
    };

    // Frames: the one writer to the port. Counts against the line budget, whoever sends.
    int SendCommand(int type, int channel = 0);
    // The frame last built; byte 0 is its header from the start.
    const ChannelFrame& LastFrame() const { return m_frame; }
    void ResetState();

    // Start-up pieces, in the order the panel runs them.
    void BuildPaths();
    void LoadSettings();
    void SaveSettings();
    void Connect();
    void StartWatchdog() { m_link.StartWatchdog(); }
    void StartSynchronisation() { m_link.StartSynchronisation(); }

    // One burst from the port's watcher, while the watcher waits.
    void OnCommRx(const RxBurst& burst);
    void OnPortClosed();
    void OnReconnectTick();
    // The window's close request: the next watchdog tick hands it on with CloseRequestDue.
    void RequestClose() { m_link.RequestClose(); }
    bool CloseRequestPending() const { return m_link.CloseRequestPending(); }
    // Something on screen blinks with the watchdog (a number being typed).
    void SetBlinkShown(bool shown);

    // Changes from outside the panel, checked once; see SessionAnswer.
    SessionAnswer Request(const SessionRequest& request, ChangeOrigin origin);

    // Fades and scenes; the panel's F-keys and menu use these directly.
    bool StartFade(const FadeTargets& targets, double seconds,
                   ChangeOrigin origin = ChangeOrigin::Panel());
    bool FadeToPresetFile(const QString& path, double seconds,
                          ChangeOrigin origin = ChangeOrigin::Panel());
    // Empty when done, else what went wrong, which the status line also shows.
    QString RecallScene(int slot, ChangeOrigin origin = ChangeOrigin::Panel());
    QString StoreScene(int slot);
    // Empty when saved, else why not.
    QString SetSceneFadeTime(int slot, double seconds);
    void StopFade();
    bool Fading() const { return m_fade.Running(); }
    // "fade 1.2 / 3.0 s", empty while no fade runs.
    QString FadeProgressText() const;
    SceneSlots Scenes() const;
    // Tests and benchmarks that step the fade's time themselves.
    void SetFadeClock(std::function<FadeEngine::Clock()> clock);

    // One tick of the line: waiting changes, then the fade, as far as the budget allows.
    void OnLineTick();
    bool LineTickRunning() const { return m_lineTimer.isActive(); }
    const LineBudget& Line() const { return m_line; }

    // Tests and benchmarks that step the ticks themselves: the timers keep starting and stopping
    // as always, but their timeouts are ignored.
    void DriveTicksByHand(bool byHand);
    bool TicksByHand() const { return m_ticksByHand; }

    // Colours and channels from a preset's "CH SET"; the preset name follows only a file that
    // could be read. Nothing goes out.
    bool ApplyPresetFile(const QString& path);
    // The panel's colours and channels as one "CH SET" record, and back.
    ChSetValues ChSet() const;
    void ApplyChSet(const ChSetValues& values);

    const ChannelModel& Channels() const { return m_channels; }
    // The panel's own road changes the model itself, inside a ChangeScope, and sends.
    ChannelModel& Channels() { return m_channels; }
    // The channels as a file or a replay leaves them: announced, nothing goes out.
    void RestoreChannels(const ChannelModel& channels);
    SettingsStore& Settings() { return m_settings; }
    const SettingsStore& Settings() const { return m_settings; }

    DeviceLink& Link() { return m_link; }
    const DeviceLink& Link() const { return m_link; }
    CCom& Com() { return m_link.Com(); }
    const CCom& Com() const { return m_link.Com(); }
    bool PortOpen() const { return m_link.PortOpen(); }
    LinkState CurrentLinkState() const { return m_link.CurrentLinkState(); }
    LinkHealth Health() const { return m_link.Health(); }

Q_SIGNALS:
    // Channels 0..7.
    void ChannelChanged(int channel, bool on, int level, ChangeOrigin origin);
    void SelectedChannelChanged(int channel);
    void LinkStateChanged(LinkState state);
    void PortChanged(const QString& portName);
    void FadingChanged(bool fading);
    // Every change of FadeProgressText(); empty when the fade is over.
    void FadeProgressChanged(const QString& text);
    // A scene slot was stored or its fade time set.
    void ScenesChanged();
    // A short note for the status line: an empty scene slot, a scene stored.
    void StatusMessage(const QString& text);
    // A frame went out or the lamps changed: the panel should be painted again.
    void RepaintWanted();
    // A close request was waiting at this watchdog tick: the window asks the operator.
    void ExitRequested();

private:
    struct PublishedChannel {
        bool on = false;
        int level = 0;
    };

    // DeviceLink::Client
    void SendPoll() override;
    void SendSyncFrame(int channel) override;
    void LampsChanged() override;
    void CloseRequestDue() override;
    void ShowPortMessage(const QString& text, const QString& caption) override;
    QString PortName() const override { return m_settings.PortName(); }
    bool BlinkShown() const override { return m_blinkShown; }

    // Announces what changed since the last time, as made by `origin`.
    void PublishChanges(ChangeOrigin origin);
    void EndScope();

    SessionAnswer SetChannel(int channel, std::optional<bool> on, std::optional<int> level);
    SessionAnswer LoadPreset(const QString& path);
    void AllOff();
    // Marks the channel for the line and sends what the budget allows now.
    void Queue(int channel);
    void FlushLine();
    void KeepLineTicking();
    FadeEngine::Clock Now() const;
    ChannelSettings Standing() const;
    bool SyncRunning() const;

    OperatorPrompts* m_prompts = nullptr;
    ChannelModel m_channels;
    SettingsStore m_settings;
    ChannelFrame m_frame;
    DeviceLink m_link{*this};
    LineBudget m_line;
    FadeEngine m_fade;
    QTimer m_lineTimer;
    QElapsedTimer m_clockBase;
    std::function<FadeEngine::Clock()> m_fadeClock;
    bool m_ticksByHand = false;
    bool m_blinkShown = false;

    int m_scopeDepth = 0;
    ChangeOrigin m_scopeOrigin;
    std::array<PublishedChannel, CHANNEL_COUNT> m_published{};
    int m_publishedSelection = 0;
    LinkState m_publishedLink = LinkState::Closed;
    QString m_publishedPort;
    bool m_publishedFading = false;
    QString m_publishedFadeProgress;
    bool m_scenesChanged = false;
};
