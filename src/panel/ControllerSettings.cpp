#include "panel/PanelController.h"
#include "panel/PanelHost.h"

ChSetValues PanelController::ChSet() const {
    return m_settings.Record(m_channels.Powers(), m_channels.Levels());
}

void PanelController::ApplyChSet(const ChSetValues& values) {
    m_settings.TakeColors(values);
    m_channels.SetAll(values.power, values.level);
}

void PanelController::RestoreChannels(const ChannelModel& channels) {
    const ChangeScope scope(*this);
    m_channels = channels;
}

void PanelController::BuildPaths() {
    m_settings.BuildPaths();
}

void PanelController::LoadSettings() {
    const ChangeScope scope(*this);
    ApplyChSet(m_settings.Load());
}

void PanelController::SaveSettings() {
    const SaveOutcome outcome = m_settings.Save(m_channels.Powers(), m_channels.Levels());
    if (!outcome.toTell.isEmpty())
        m_host.ShowMessage(outcome.toTell, QStringLiteral("Morvix"));
}
