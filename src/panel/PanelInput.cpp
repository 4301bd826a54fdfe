#include "panel/HitTest.h"
#include "panel/KeyMap.h"
#include "panel/PanelController.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

constexpr auto kPressResendPause = std::chrono::milliseconds(20);

} // namespace

void PanelController::CommitTypedValue() {
    const std::optional<int> level = m_input.EndTypedEntry();
    if (!level)
        return;
    m_session.Channels().SetLevel(m_session.Channels().Selected(), *level);
    SendCommand(CMD_SELECTED);
    m_input.ClearTypedEntry();
}

// A press goes out three times so that a single lost frame does not lose the change.
void PanelController::SendThreeTimes() {
    SendCommand(CMD_SELECTED);
    std::this_thread::sleep_for(kPressResendPause);
    SendCommand(CMD_SELECTED);
    std::this_thread::sleep_for(kPressResendPause);
    SendCommand(CMD_SELECTED);
}

void PanelController::OnKeyDown(int virtualKey) {
    const InputScope scope(*this);
    WakeRepeatTick();
    using namespace VirtualKey;
    switch (virtualKey) {
    case kRight:
    case kLeft:
        StepChannel(m_session.Channels().Selected(), virtualKey == kRight ? 1 : -1);
        return;
    case kSpace:
        ToggleChannel(m_session.Channels().Selected());
        return;
    case kTab:
        m_input.ClearTypedEntry();
        // The release of a drag speaks for the selected channel only: before the selection moves
        // on, the dragged channel's last (perhaps throttled) level goes out.
        if (m_input.DragActive() && m_session.Channels().Selected() == m_input.PressedChannel())
            SendCommand(CMD_SELECTED);
        m_session.Channels().SelectNext();
        return;
    case kEscape:
        m_input.ClearTypedEntry();
        return;
    case kReturn:
        CommitTypedValue();
        return;
    default:
        break;
    }
    if (virtualKey >= kDigit0 && virtualKey <= kDigit0 + 9)
        m_input.EnterDigit(virtualKey - kDigit0);
    else if (virtualKey >= kNumpad0 && virtualKey <= kNumpad0 + 9)
        m_input.EnterDigit(virtualKey - kNumpad0);
}

void PanelController::OnLButtonDown(int x, int y) {
    const InputScope scope(*this);
    WakeRepeatTick();
    m_input.ClearTypedEntry();
    m_input.Press();

    // The dialogs run modally here; the press then goes on and finds nothing at the buttons.
    if (m_hover.button == PanelButton::Setup)
        RunSetup();
    else if (m_hover.button == PanelButton::Exit)
        ExitProgram();

    if (!HitTest::InPressArea(x))
        return;
    const int channel = HitTest::ChannelBand(y);
    if (channel == HitTest::kNone)
        return;
    m_session.Channels().Select(channel);

    // At most one toggle per repeat tick, so a bouncing press cannot flip the switch twice.
    if (HitTest::InSwitchColumn(x) && m_input.SendReady()) {
        m_session.Channels().Toggle(channel);
        m_input.TakeChannel(channel);
        SendThreeTimes();
    }

    const bool on = m_session.Channels().On(channel);
    // The hover from the last movement decides, not the press point.
    if (on && m_hover.OverStepButton()) {
        if (m_hover.plusRow)
            m_session.Channels().Step(channel, 1);
        if (m_hover.minusRow)
            m_session.Channels().Step(channel, -1);
        m_input.TakeChannel(channel);
        m_input.StartRepeat();
        SendThreeTimes();
        return;
    }

    if (HitTest::OnSliderPress(x) && on) {
        m_session.Channels().SetLevel(
            channel, std::clamp(x - m_session.Channels().SliderOrigin(channel), 0, kMaxLevel));
        m_input.TakeChannel(channel);
        SendThreeTimes();
    }
}

void PanelController::OnMouseMove(int x, int y) {
    const InputScope scope(*this);
    WakeRepeatTick();
    if (m_input.DragActive()) {
        const std::optional<int> level = HitTest::DragLevel(x);
        if (!level)
            return;
        const int selected = m_session.Channels().Selected();
        if (selected != m_input.PressedChannel() || !m_session.Channels().On(selected))
            return;
        m_session.Channels().SetLevel(selected, *level);
        // The level follows every move; the wire gets at most one frame per tick.
        if (m_input.SendReady())
            SendCommand(CMD_SELECTED);
        return;
    }

    if (m_input.ButtonHeld())
        m_input.BeginDrag();
    m_hover = PointerHover::At(x, y);
}

void PanelController::OnLButtonUp() {
    const InputScope scope(*this);
    WakeRepeatTick();
    // The device ends at the final dragged level even if the last move was throttled.
    if (m_input.DragActive())
        SendCommand(CMD_SELECTED);
    ClearPointerAndRepeat();
}

void PanelController::OnLButtonDblClk(int x, int y) {
    const InputScope scope(*this);
    if (m_input.DropFirstDoubleClick())
        return;
    OnLButtonDown(x, y);
}

bool PanelController::SelectChannel(int channel) {
    const InputScope scope(*this);
    if (channel < 0 || channel >= CHANNEL_COUNT)
        return false;
    m_input.ClearTypedEntry();
    m_session.Channels().Select(channel);
    return true;
}

void PanelController::ToggleChannel(int channel) {
    const InputScope scope(*this);
    if (!SelectChannel(channel))
        return;
    m_session.Channels().Toggle(channel);
    SendCommand(CMD_SELECTED);
}

void PanelController::StepChannel(int channel, int step) {
    const InputScope scope(*this);
    if (!SelectChannel(channel))
        return;
    m_session.Channels().Step(channel, step);
    SendCommand(CMD_SELECTED);
}

void PanelController::SetChannelLevel(int channel, int level) {
    const InputScope scope(*this);
    if (!SelectChannel(channel))
        return;
    m_session.Channels().SetLevel(channel, ClampLevel(level));
    SendCommand(CMD_SELECTED);
}

// Like the pointer's press: nothing but the selection on a channel that is off, and the frame
// three times; there is no hold, so nothing repeats.
void PanelController::PressStepButton(int channel, int step) {
    const InputScope scope(*this);
    if (!SelectChannel(channel))
        return;
    if (!m_session.Channels().On(channel))
        return;
    m_session.Channels().Step(channel, step);
    m_input.TakeChannel(channel);
    SendThreeTimes();
}
