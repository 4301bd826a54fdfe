#include "panel/HitTest.h"
#include "panel/KeyMap.h"
#include "panel/PanelController.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

constexpr auto kPressResendPause = std::chrono::milliseconds(20);

void ClearTypedEntry(PanelController& p) {
    p.m_digitCount = 0;
    p.m_typedValue = 0;
}

void EnterDigit(PanelController& p, int digit) {
    auto& d = p.m_typedDigits;
    switch (++p.m_digitCount) {
    case 1:
        d[0] = digit;
        p.m_typedValue = digit;
        break;
    case 2:
        d[1] = digit;
        p.m_typedValue = 10 * d[0] + digit;
        break;
    case 3:
        d[2] = digit;
        p.m_typedValue = 100 * d[0] + 10 * d[1] + digit;
        break;
    default:
        // A fourth digit and beyond are counted but change nothing.
        break;
    }
}

void CommitTypedValue(PanelController& p) {
    if (p.m_digitCount == 0)
        return;
    p.m_digitCount = 0;
    if (p.m_typedValue > kMaxLevel) {
        p.m_typedValue = 0;
        return;
    }
    p.m_channelLevel[p.m_selectedChannel] = p.m_typedValue;
    p.SendCommand(CMD_SELECTED);
    p.m_typedValue = 0;
}

// A press goes out three times so that a single lost frame does not lose the change.
void SendThreeTimes(PanelController& p) {
    p.SendCommand(CMD_SELECTED);
    std::this_thread::sleep_for(kPressResendPause);
    p.SendCommand(CMD_SELECTED);
    std::this_thread::sleep_for(kPressResendPause);
    p.SendCommand(CMD_SELECTED);
}

// Steps keep a level read from a hand-edited file inside the range as well.
int Stepped(int level, int step) {
    return std::clamp(level + step, 0, kMaxLevel);
}

} // namespace

void PanelController::OnKeyDown(int virtualKey) {
    const ChangeScope scope(*this);
    WakeRepeatTick();
    using namespace VirtualKey;
    switch (virtualKey) {
    case kRight:
    case kLeft:
        StepChannel(m_selectedChannel, virtualKey == kRight ? 1 : -1);
        return;
    case kSpace:
        ToggleChannel(m_selectedChannel);
        return;
    case kTab:
        ClearTypedEntry(*this);
        // The release of a drag speaks for the selected channel only: before the selection moves
        // on, the dragged channel's last (perhaps throttled) level goes out.
        if (m_dragActive && m_selectedChannel == m_pressedChannel)
            SendCommand(CMD_SELECTED);
        m_selectedChannel = (m_selectedChannel + 1) % CHANNEL_COUNT;
        return;
    case kEscape:
        ClearTypedEntry(*this);
        return;
    case kReturn:
        CommitTypedValue(*this);
        return;
    default:
        break;
    }
    if (virtualKey >= kDigit0 && virtualKey <= kDigit0 + 9)
        EnterDigit(*this, virtualKey - kDigit0);
    else if (virtualKey >= kNumpad0 && virtualKey <= kNumpad0 + 9)
        EnterDigit(*this, virtualKey - kNumpad0);
}

void PanelController::OnLButtonDown(int x, int y) {
    const ChangeScope scope(*this);
    WakeRepeatTick();
    ClearTypedEntry(*this);
    m_buttonHeld = true;

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
    m_selectedChannel = channel;

    // At most one toggle per repeat tick, so a bouncing press cannot flip the switch twice.
    if (HitTest::InSwitchColumn(x) && m_sendReady) {
        int& power = m_channelPower[channel];
        power = power == 0 ? 1 : 0;
        m_pressedChannel = channel;
        SendThreeTimes(*this);
    }

    const bool on = m_channelPower[channel] == 1;
    // The hover from the last movement decides, not the press point.
    if (on && m_hover.OverStepButton()) {
        int& level = m_channelLevel[channel];
        if (m_hover.plusRow)
            level = Stepped(level, 1);
        if (m_hover.minusRow)
            level = Stepped(level, -1);
        m_pressedChannel = channel;
        m_repeatActive = true;
        SendThreeTimes(*this);
        return;
    }

    if (HitTest::OnSliderPress(x) && on) {
        m_channelLevel[channel] = std::clamp(x - m_sliderOrigin[channel], 0, kMaxLevel);
        m_pressedChannel = channel;
        SendThreeTimes(*this);
    }
}

void PanelController::OnMouseMove(int x, int y) {
    const ChangeScope scope(*this);
    WakeRepeatTick();
    if (m_dragActive) {
        const std::optional<int> level = HitTest::DragLevel(x);
        if (!level)
            return;
        if (m_selectedChannel != m_pressedChannel || m_channelPower[m_selectedChannel] != 1)
            return;
        m_channelLevel[m_selectedChannel] = *level;
        // The level follows every move; the wire gets at most one frame per tick.
        if (m_sendReady)
            SendCommand(CMD_SELECTED);
        return;
    }

    if (m_buttonHeld)
        m_dragActive = true;
    m_hover = PointerHover::At(x, y);
}

void PanelController::OnLButtonUp() {
    const ChangeScope scope(*this);
    WakeRepeatTick();
    // The device ends at the final dragged level even if the last move was throttled.
    if (m_dragActive)
        SendCommand(CMD_SELECTED);
    ClearPointerAndRepeat();
}

void PanelController::OnLButtonDblClk(int x, int y) {
    const ChangeScope scope(*this);
    if (m_doubleClicksAccepted) {
        m_doubleClicksAccepted = false;
        return;
    }
    OnLButtonDown(x, y);
}

bool PanelController::SelectChannel(int channel) {
    const ChangeScope scope(*this);
    if (channel < 0 || channel >= CHANNEL_COUNT)
        return false;
    ClearTypedEntry(*this);
    m_selectedChannel = channel;
    return true;
}

void PanelController::ToggleChannel(int channel) {
    const ChangeScope scope(*this);
    if (!SelectChannel(channel))
        return;
    int& power = m_channelPower[channel];
    power = power == 0 ? 1 : 0;
    SendCommand(CMD_SELECTED);
}

void PanelController::StepChannel(int channel, int step) {
    const ChangeScope scope(*this);
    if (!SelectChannel(channel))
        return;
    m_channelLevel[channel] = Stepped(m_channelLevel[channel], step);
    SendCommand(CMD_SELECTED);
}

void PanelController::SetChannelLevel(int channel, int level) {
    const ChangeScope scope(*this);
    if (!SelectChannel(channel))
        return;
    m_channelLevel[channel] = std::clamp(level, 0, kMaxLevel);
    SendCommand(CMD_SELECTED);
}

// Like the pointer's press: nothing but the selection on a channel that is off, and the frame
// three times; there is no hold, so nothing repeats.
void PanelController::PressStepButton(int channel, int step) {
    const ChangeScope scope(*this);
    if (!SelectChannel(channel))
        return;
    if (m_channelPower[channel] != 1)
        return;
    m_channelLevel[channel] = Stepped(m_channelLevel[channel], step);
    m_pressedChannel = channel;
    SendThreeTimes(*this);
}
