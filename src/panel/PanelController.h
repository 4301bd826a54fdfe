#pragma once

#include "panel/OperatorInput.h"
#include "panel/PointerHover.h"
#include "session/DeviceSession.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <utility>

class PanelHost;

inline constexpr int TIMER_REPEAT = 500;
inline constexpr int REPEAT_PERIOD_MS = 20;

inline constexpr int EXIT_CODE_CONFIRMED = 18;

// The screen-free half of CMorvixView: the panel's own road to the session. It owns the
// operator's input (typed digits, held buttons, drags, the repeat tick, the pointer's highlight)
// and the workflows that need the window (Setup, the exit confirmation, start-up). Keys and the
// pointer change the session's model and send at once. CMorvixView owns one and forwards events
// into it; tests drive it directly.
class PanelController : public QObject {
    Q_OBJECT

public:
    PanelController(DeviceSession& session, PanelHost& host, QObject* parent = nullptr);
    ~PanelController() override;

    DeviceSession& Session() { return m_session; }
    const DeviceSession& Session() const { return m_session; }
    // What painting and accessibility read most.
    const ChannelModel& Channels() const { return m_session.Channels(); }

    // The panel's frames: as the session's, and a selected channel's send also opens the
    // throttle and wakes the repeat tick.
    int SendCommand(int type, int channel = 0);
    void ResetState();

    // Start-up: paths, reset, settings, connect, the ticks and the first poll.
    void OnInitialUpdate();
    // The exit confirmation; on OK the settings are saved, the channels switched off and the
    // window asked to end with EXIT_CODE_CONFIRMED.
    void ExitProgram();

    // Setup workflow and presets.
    void RunSetup();
    void LoadPreset();

    // Operator input; x and y in panel pixels, keys as virtual-key codes.
    void OnKeyDown(int virtualKey);
    void OnLButtonDown(int x, int y);
    void OnMouseMove(int x, int y);
    void OnLButtonUp();
    void OnLButtonDblClk(int x, int y);
    // One tick of the repeat timer: held buttons, the send throttle, the repaint.
    void OnRepeatTick();
    // The repeat tick, once started here, runs only while something needs it (a held button, a
    // drag, a throttled send, a change waiting for its repaint) and sleeps otherwise; every input
    // wakes it, so from the moment anything happens it ticks as it always did.
    void StartRepeatTick();
    void WakeRepeatTick();
    void StopRepeatTick() { m_repeatTimer.stop(); }
    bool RepeatTickAsleep() const { return m_repeatAsleep; }
    bool RepeatTickRunning() const { return m_repeatTimer.isActive(); }
    int RepeatTickPeriodMs() const { return RepeatTickRunning() ? m_repeatTimer.interval() : -1; }

    // One channel acted on by name (screen readers, automation): the channel becomes the
    // selected one, then the model changes and the frame goes out as for the operator's input.
    bool SelectChannel(int channel);              // false, and nothing done, for no such channel
    void ToggleChannel(int channel);              // as Space
    void StepChannel(int channel, int step);      // as the Right (+1) or Left (-1) arrow
    void SetChannelLevel(int channel, int level); // as a typed number and Enter; clamped
    void PressStepButton(int channel, int step);  // as a press on + (+1) or - (-1)

    const PointerHover& Hover() const { return m_hover; }
    // The highlight as a movement would leave it, for a painting or a replay to start from.
    void ShowHover(const PointerHover& hover) { m_hover = hover; }
    const OperatorInput& Input() const { return m_input; }
    // The input as events would leave it, for a test or a replay to start from.
    void RestoreInput(const OperatorInput& input) { m_input = input; }

    // Something changed that the screen should show. The view takes the request when it paints;
    // it may also set it itself, when the screen has to be drawn afresh.
    bool RedrawPending() const { return m_redrawPending; }
    void MarkRedrawPending() { m_redrawPending = true; }
    bool TakeRedrawPending() { return std::exchange(m_redrawPending, false); }

private:
    // A session change scope that also tells the session whether a typed number blinks.
    class InputScope {
    public:
        explicit InputScope(PanelController& panel) : m_panel(panel), m_scope(panel.m_session) {}
        ~InputScope() { m_panel.m_session.SetBlinkShown(m_panel.m_input.Typing()); }
        InputScope(const InputScope&) = delete;
        InputScope& operator=(const InputScope&) = delete;

    private:
        PanelController& m_panel;
        DeviceSession::ChangeScope m_scope;
    };

    void RequestRepaint();
    void OnExitRequested();
    void ClearPointerAndRepeat();
    void CommitTypedValue();
    void SendThreeTimes();
    // Colours and channels from a preset's "CH SET"; a wrong name changes nothing and is told.
    bool LoadPresetFrom(const QString& path);

    DeviceSession& m_session;
    PanelHost& m_host;
    OperatorInput m_input;
    bool m_redrawPending = false;
    PointerHover m_hover;
    QTimer m_repeatTimer;
    bool m_repeatTickSleeps = false;
    bool m_repeatAsleep = false;
    // A close request's exit is queued or its dialog open; further requests add nothing.
    bool m_exitQueued = false;
};
