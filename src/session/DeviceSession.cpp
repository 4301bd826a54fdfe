#include "session/DeviceSession.h"

#include <cstdio>
#include <utility>

namespace {

// With no window to ask: messages go to stderr, one line each, and every question is answered no.
class StderrPrompts : public OperatorPrompts {
public:
    void ShowMessage(const QString& text, const QString& caption) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption),
                     qPrintable(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    }
    bool AskYesNo(const QString& text, const QString& caption) override {
        ShowMessage(text, caption);
        return false;
    }
};

} // namespace

DeviceSession::DeviceSession(QObject* parent) : QObject(parent) {
    qRegisterMetaType<ChangeOrigin>();
    m_lineTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_lineTimer, &QTimer::timeout, this, [this] {
        if (!m_ticksByHand)
            OnLineTick();
    });
    m_clockBase.start();
}

DeviceSession::~DeviceSession() = default;

OperatorPrompts& DeviceSession::Prompts() {
    static StderrPrompts noWindow;
    return m_prompts ? *m_prompts : noWindow;
}

DeviceSession::ChangeScope::ChangeScope(DeviceSession& session, ChangeOrigin origin)
    : m_session(session) {
    if (m_session.m_scopeDepth++ == 0)
        m_session.m_scopeOrigin = origin;
}

DeviceSession::ChangeScope::~ChangeScope() {
    if (--m_session.m_scopeDepth != 0)
        return;
    m_session.PublishChanges(m_session.m_scopeOrigin);
    // A number typed or dropped starts or ends a blink the watchdog must show.
    m_session.m_link.Reschedule();
}

DeviceSession::ModalGap::ModalGap(DeviceSession& session)
    : m_session(session), m_depth(session.m_scopeDepth), m_origin(session.m_scopeOrigin) {
    if (m_depth > 0)
        m_session.PublishChanges(m_origin);
    m_session.m_scopeDepth = 0;
}

DeviceSession::ModalGap::~ModalGap() {
    m_session.m_scopeDepth = m_depth;
    m_session.m_scopeOrigin = m_origin;
}

int DeviceSession::SendCommand(int type, int channel) {
    std::optional<int> sentChannel;
    switch (type) {
    case CMD_CHANNEL:
    case CMD_SELECTED: {
        const int c = type == CMD_SELECTED ? m_channels.Selected() : channel;
        // Type 1 trusts its caller with the level, never with an index outside the model.
        if (!IsChannel(c))
            return 0;
        if (type == CMD_SELECTED && !IsLevel(m_channels.Level(c)))
            return 0;
        m_frame.FillSetChannel(c, m_channels.Power(c), m_channels.Level(c));
        sentChannel = c;
        break;
    }
    case CMD_ALL_OFF:
        m_frame.FillAllOff();
        break;
    case CMD_POLL:
        m_frame.FillPoll();
        break;
    default:
        return 0;
    }
    m_link.Send(m_frame);
    m_line.Sent(Now(), sentChannel, type == CMD_ALL_OFF);
    Q_EMIT RepaintWanted();
    return 1;
}

void DeviceSession::ResetState() {
    const ChangeScope scope(*this);
    m_link.Reset();
    m_frame.bytes[0] = FRAME_HEADER;
    m_channels.ResetSelectionAndSliders();
}

void DeviceSession::Connect() {
    const ChangeScope scope(*this);
    m_link.Connect(false);
}

void DeviceSession::OnCommRx(const RxBurst& burst) {
    const ChangeScope scope(*this);
    m_link.OnCommRx(burst);
}

void DeviceSession::OnPortClosed() {
    const ChangeScope scope(*this);
    m_link.OnPortClosed();
}

void DeviceSession::OnReconnectTick() {
    const ChangeScope scope(*this);
    m_link.OnReconnectTick();
}

void DeviceSession::SetBlinkShown(bool shown) {
    m_blinkShown = shown;
}

void DeviceSession::DriveTicksByHand(bool byHand) {
    m_ticksByHand = byHand;
    m_link.DriveTicksByHand(byHand);
}

void DeviceSession::SendPoll() {
    const ChangeScope scope(*this);
    SendCommand(CMD_POLL);
}

void DeviceSession::SendSyncFrame(int channel) {
    const ChangeScope scope(*this);
    // The synchronisation sends what the model holds, one channel a tick; the fade and the
    // waiting changes stand back so the two do not crowd the line, and go on after the last one.
    const bool last = channel >= CHANNEL_COUNT - 1;
    m_fade.Hold(!last, Now());
    SendCommand(CMD_CHANNEL, channel);
    if (last)
        KeepLineTicking();
}

void DeviceSession::LampsChanged() {
    const ChangeScope scope(*this);
    Q_EMIT RepaintWanted();
}

void DeviceSession::CloseRequestDue() {
    Q_EMIT ExitRequested();
}

void DeviceSession::ShowPortMessage(const QString& text, const QString& caption) {
    Prompts().ShowMessage(text, caption);
}

void DeviceSession::PublishChanges(ChangeOrigin origin) {
    // Compared against what was last told, so every change is announced once whoever made it.
    for (int c = 0; c < CHANNEL_COUNT; ++c) {
        const PublishedChannel now{m_channels.On(c), m_channels.Level(c)};
        if (now.on != m_published[c].on || now.level != m_published[c].level) {
            m_published[c] = now;
            Q_EMIT ChannelChanged(c, now.on, now.level, origin);
        }
    }
    if (m_channels.Selected() != m_publishedSelection) {
        m_publishedSelection = m_channels.Selected();
        Q_EMIT SelectedChannelChanged(m_publishedSelection);
    }
    if (const LinkState link = CurrentLinkState(); link != m_publishedLink) {
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
    if (std::exchange(m_scenesChanged, false))
        Q_EMIT ScenesChanged();
}
