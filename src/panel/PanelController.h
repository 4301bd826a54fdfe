#pragma once

#include "device/DeviceLink.h"
#include "model/ChannelFrame.h"
#include "model/ColorRef.h"
#include "model/LinkHealth.h"
#include "model/LinkState.h"
#include "panel/ChannelModel.h"
#include "panel/FadeEngine.h"
#include "panel/OperatorInput.h"
#include "panel/PointerHover.h"
#include "settings/ChSetSection.h"
#include "settings/SceneSlots.h"
#include "settings/SettingsStore.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>
#include <utility>

class PanelHost;

inline constexpr int TIMER_REPEAT = 500;
inline constexpr int REPEAT_PERIOD_MS = 20;

inline constexpr int EXIT_CODE_CONFIRMED = 18;
// A running fade's own tick; it runs only while a fade does.
inline constexpr int FADE_PERIOD_MS = 20;

// The screen-free half of CMorvixView: it owns the parts (the channel model, the operator's input,
// the settings store, the device link with its port, watchdog, synchronisation and reconnect, the
// fade) and coordinates them: every change goes out as a frame and is announced once. CMorvixView
// owns one and forwards events into it; tests drive it directly. Painting, accessibility and the
// bus read it through the accessors.
class PanelController : public QObject, private DeviceLink::Client {
    Q_OBJECT

public:
    explicit PanelController(PanelHost& host, QObject* parent = nullptr);
    ~PanelController() override;

    // Model and frames.
    int SendCommand(int type, int channel = 0);
    void ResetState();

    // Start-up, link supervision and exit.
    void OnInitialUpdate();
    void Connect();
    // Watchdog at its start-up period; the synchronisation of all channels, as after an opening:
    // it begins with the device's first answer.
    void StartWatchdog();
    void StartSynchronisation();
    // One tick of the timer with this id; the timers call it, tests may too.
    void OnTimer(int id);
    // One burst from the port's watcher, while the watcher waits.
    void OnCommRx(const RxBurst& burst);
    void ExitProgram();

    // The device went away under an open port: grey lamp, then look for it again.
    void OnPortClosed() { m_link.OnPortClosed(); }
    // Once a second while the port is closed by something that may clear: connect when the
    // device's path exists again, without a message.
    void OnReconnectTick() { m_link.OnReconnectTick(); }
    bool ReconnectPending() const { return m_link.ReconnectPending(); }

    // The main frame's close request: the next watchdog tick takes it and asks the operator.
    void RequestClose() { m_link.RequestClose(); }
    bool CloseRequestPending() const { return m_link.CloseRequestPending(); }

    bool TimerRunning(int id) const;
    int TimerInterval(int id) const; // -1 for no such timer
    // Tests and benchmarks that step the ticks themselves: the timers keep starting and stopping
    // as always, but their timeouts are ignored.
    void DriveTicksByHand(bool byHand);
    // Stops one timer where it stands; what it was doing stays as it is.
    void StopTimer(int id);

    // The link's figures for the lamp's tooltip and anyone else reporting on it.
    LinkHealth Health() const { return m_link.Health(); }

    // Settings file.
    void BuildPaths();
    void LoadSettings();
    void SaveSettings();

    // Setup workflow and presets.
    void RunSetup();
    void LoadPreset();

    // Operator input; x and y in panel pixels, keys as virtual-key codes.
    void OnKeyDown(int virtualKey);
    void OnLButtonDown(int x, int y);
    void OnMouseMove(int x, int y);
    void OnLButtonUp();
    void OnLButtonDblClk(int x, int y);
    // The repeat tick, once started here, runs only while something needs it (a held button, a
    // drag, a throttled send, a change waiting for its repaint) and sleeps otherwise; every input
    // wakes it, so from the moment anything happens it ticks as it always did.
    void StartRepeatTick();
    void WakeRepeatTick();
    bool RepeatTickAsleep() const { return m_repeatAsleep; }

    // One channel acted on by name (screen readers, automation): the channel becomes the
    // selected one, then the model changes and the frame goes out as for the operator's input.
    bool SelectChannel(int channel);              // false, and nothing done, for no such channel
    void ToggleChannel(int channel);              // as Space
    void StepChannel(int channel, int step);      // as the Right (+1) or Left (-1) arrow
    void SetChannelLevel(int channel, int level); // as a typed number and Enter; clamped
    void PressStepButton(int channel, int step);  // as a press on + (+1) or - (-1)

    // Changes asked for by a script over the bus (channel index 0..7). Unlike the entries above
    // they leave the operator's selection alone; the model changes and the frame goes out at
    // once, and they announce before returning even inside a running dialog. Out-of-range values
    // change nothing and give false.
    bool SetChannelState(int channel, std::optional<bool> on, std::optional<int> level);
    bool StepChannelBy(int channel, int delta);
    // Setup's all-off and preset Open, each followed by Setup's save.
    void AllChannelsOff();
    bool LoadPresetFile(const QString& path);

    // Scenes and timed fades: every channel from where it stands to a target over a time, paced to
    // what the line carries (FadeEngine). A channel the operator, a key or a script changes
    // meanwhile leaves the fade. A new fade starts from where the channels stand. Bad values
    // (a level outside 0..255, a time outside 0..3600 s) change nothing and give false.
    bool StartFade(const FadeTargets& targets, double seconds);
    // The preset's colours at once, its channels over the time; false for an unreadable file.
    bool FadeToPresetFile(const QString& path, double seconds);
    // Slots 1..8 over the slot's fade time; an empty slot does nothing. Empty when done, else
    // what went wrong, which the status bar also shows.
    QString RecallScene(int slot);
    // The panel's channels and colours into the slot, keeping its fade time.
    QString StoreScene(int slot);
    void StopFade();
    bool Fading() const { return m_fade.Running(); }
    // "fade 1.2 / 3.0 s", empty while no fade runs.
    QString FadeProgressText() const;
    SceneSlots Scenes() const;
    // One tick of the fade; its timer calls it, tests and benchmarks may too.
    void OnFadeTick();
    // Tests and benchmarks that step the fade's time themselves.
    void SetFadeClock(std::function<FadeEngine::Clock()> clock);

    DeviceLink& Link() { return m_link; }
    const DeviceLink& Link() const { return m_link; }
    CCom& Com() { return m_link.Com(); }
    const CCom& Com() const { return m_link.Com(); }
    bool PortOpen() const { return m_link.PortOpen(); }
    LinkState CurrentLinkState() const { return m_link.CurrentLinkState(); }

    const PointerHover& Hover() const { return m_hover; }
    // The highlight as a movement would leave it, for a painting or a replay to start from.
    void ShowHover(const PointerHover& hover) { m_hover = hover; }

    // Announces what changed since the last call; every entry point above calls it on its way out.
    void PublishChanges();

    const ChannelModel& Channels() const { return m_channels; }
    // The channels as a file or a replay leaves them: announced, nothing goes out.
    void RestoreChannels(const ChannelModel& channels);
    const OperatorInput& Input() const { return m_input; }
    // The input as events would leave it, for a test or a replay to start from.
    void RestoreInput(const OperatorInput& input) { m_input = input; }
    SettingsStore& Settings() { return m_settings; }
    const SettingsStore& Settings() const { return m_settings; }
    // The panel's colours and channels as one "CH SET" record, and back.
    ChSetValues ChSet() const;
    void ApplyChSet(const ChSetValues& values);
    // The frame last built; byte 0 is its header from the start.
    const ChannelFrame& LastFrame() const { return m_frame; }

    // Something changed that the screen should show. The view takes the request when it paints;
    // it may also set it itself, when the screen has to be drawn afresh.
    bool RedrawPending() const { return m_redrawPending; }
    void MarkRedrawPending() { m_redrawPending = true; }
    bool TakeRedrawPending() { return std::exchange(m_redrawPending, false); }

Q_SIGNALS:
    // Channels 0..7; whoever made the change (the operator, a preset, another program).
    void ChannelChanged(int channel, bool on, int level);
    void SelectedChannelChanged(int channel);
    void LinkStateChanged(LinkState state);
    void PortChanged(const QString& portName);
    void FadingChanged(bool fading);
    // Every change of FadeProgressText(); empty when the fade is over.
    void FadeProgressChanged(const QString& text);
    // A short note for the status bar: an empty scene slot, a scene stored.
    void StatusMessage(const QString& text);

private:
    // Publishes on leaving the outermost entry point, so nested calls announce once.
    class ChangeScope {
    public:
        explicit ChangeScope(PanelController& panel) : m_panel(panel) {
            ++m_panel.m_changeScopeDepth;
        }
        ~ChangeScope();
        ChangeScope(const ChangeScope&) = delete;
        ChangeScope& operator=(const ChangeScope&) = delete;

    private:
        PanelController& m_panel;
    };
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
    // The number being typed blinks with the watchdog.
    bool BlinkShown() const override { return m_input.Typing(); }

    void RequestRepaint();
    QTimer* Timer(int id);
    const QTimer* Timer(int id) const;
    void StartTimer(int id, int periodMs);
    void ClearPointerAndRepeat();
    void CommitTypedValue();
    void SendThreeTimes();
    // Colours and channels from a preset's "CH SET"; m_presetName follows only a file that could
    // be read, so a wrong name changes nothing.
    bool LoadPresetFrom(const QString& path);
    // The same without a message box: the caller reports the failure.
    bool ApplyPresetFile(const QString& path);
    FadeEngine::Clock FadeNow() const;
    ChannelSettings Standing() const;
    // The synchronisation goes first: the fade waits while it sends channel after channel.
    void HoldFadeForSync(int channel);

    PanelHost& m_host;
    ChannelModel m_channels;
    OperatorInput m_input;
    SettingsStore m_settings;
    ChannelFrame m_frame;
    bool m_redrawPending = false;
    PointerHover m_hover;
    DeviceLink m_link{*this};
    QTimer m_repeatTimer;
    bool m_ticksByHand = false;
    int m_changeScopeDepth = 0;
    std::array<PublishedChannel, CHANNEL_COUNT> m_published{};
    int m_publishedSelection = 0;
    LinkState m_publishedLink = LinkState::Closed;
    bool m_repeatTickSleeps = false;
    bool m_repeatAsleep = false;
    // A close request's exit is queued or its dialog open; further requests add nothing.
    bool m_exitQueued = false;
    QString m_publishedPort;
    FadeEngine m_fade;
    QTimer m_fadeTimer;
    QElapsedTimer m_fadeClockBase;
    std::function<FadeEngine::Clock()> m_fadeClock;
    bool m_publishedFading = false;
    QString m_publishedFadeProgress;
};
