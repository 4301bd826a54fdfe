#pragma once

#include "model/Channels.h"

#include <array>

// The eight channels as the panel holds them: each one's level and switch, where its slider
// starts, and which channel the keys act on. A value: two models compare, so a test or a replay
// can hold one against another. Levels and switches are kept as given, since a hand-edited file
// may hold any number; the steps bring a level back into 0..255.
class ChannelModel {
public:
    using Values = ChannelValues;

    int Level(int channel) const { return m_channelLevel[Index(channel)]; }
    // 1 is on, 0 off; a file may hold other numbers, which count as off and go out as they are.
    int Power(int channel) const { return m_channelPower[Index(channel)]; }
    bool On(int channel) const { return Power(channel) == 1; }
    int SliderOrigin(int channel) const { return m_sliderOrigin[Index(channel)]; }
    int Selected() const { return m_selectedChannel; }
    const Values& Levels() const { return m_channelLevel; }
    const Values& Powers() const { return m_channelPower; }

    void SetLevel(int channel, int level) { m_channelLevel[Index(channel)] = level; }
    void SetPower(int channel, int power) { m_channelPower[Index(channel)] = power; }
    void SetOn(int channel, bool on) { SetPower(channel, on ? 1 : 0); }
    // Anything but off turns off; off turns on.
    void Toggle(int channel) { SetOn(channel, Power(channel) == 0); }
    // One level up or down, kept inside 0..255.
    void Step(int channel, int step);
    void SetSliderOrigin(int channel, int x) { m_sliderOrigin[Index(channel)] = x; }
    void Select(int channel) { m_selectedChannel = channel; }
    void SelectNext() { m_selectedChannel = (m_selectedChannel + 1) % CHANNEL_COUNT; }
    void SetAll(const Values& power, const Values& level);
    void AllOff();
    // As at start-up: the first channel selected, every slider at its start. Levels and switches
    // are the settings' business.
    void ResetSelectionAndSliders();

    bool operator==(const ChannelModel&) const = default;

private:
    static std::size_t Index(int channel) { return static_cast<std::size_t>(channel); }

    Values m_channelLevel{};
    Values m_channelPower{};
    Values m_sliderOrigin{};
    int m_selectedChannel = 0;
};
