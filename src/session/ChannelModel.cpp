#include "session/ChannelModel.h"

#include "model/PanelLayout.h"

#include <algorithm>

void ChannelModel::Step(int channel, int step) {
    SetLevel(channel, std::clamp(Level(channel) + step, 0, kMaxLevel));
}

void ChannelModel::SetAll(const Values& power, const Values& level) {
    m_channelPower = power;
    m_channelLevel = level;
}

void ChannelModel::AllOff() {
    m_channelPower.fill(0);
    m_channelLevel.fill(0);
}

void ChannelModel::ResetSelectionAndSliders() {
    m_selectedChannel = 0;
    m_sliderOrigin.fill(PanelLayout::kSliderOrigin);
}
