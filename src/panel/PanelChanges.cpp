#include "panel/PanelController.h"

void PanelController::PublishChanges() {
    // Compared against what was last told, so every change is announced once whoever made it.
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        const PublishedChannel now{m_channels.On(c), m_channels.Level(c)};
        if (now.on != m_published[c].on || now.level != m_published[c].level) {
            m_published[c] = now;
            Q_EMIT ChannelChanged(c, now.on, now.level);
        }
    }
    if (m_channels.Selected() != m_publishedSelection) {
        m_publishedSelection = m_channels.Selected();
        Q_EMIT SelectedChannelChanged(m_publishedSelection);
    }
    const LinkState link = CurrentLinkState();
    if (link != m_publishedLink) {
        m_publishedLink = link;
        Q_EMIT LinkStateChanged(link);
    }
    if (m_settings.PortName() != m_publishedPort) {
        m_publishedPort = m_settings.PortName();
        Q_EMIT PortChanged(m_publishedPort);
    }
    if (const QString progress = FadeProgressText(); progress != m_publishedFadeProgress) {
        m_publishedFadeProgress = progress;
        Q_EMIT FadeProgressChanged(progress);
    }
    if (Fading() != m_publishedFading) {
        m_publishedFading = Fading();
        Q_EMIT FadingChanged(m_publishedFading);
    }
}

PanelController::ChangeScope::~ChangeScope() {
    if (--m_panel.m_changeScopeDepth != 0)
        return;
    m_panel.PublishChanges();
    // A number typed or dropped starts or ends a blink the watchdog must show.
    m_panel.m_link.Reschedule();
}
