#include "remote/RemoteClient.h"
#include "remote/RemoteLog.h"
#include "remote/RemoteProtocol.h"
#include "remote/RemoteService.h"
#include "session/DeviceSession.h"

#include <QWebSocket>

namespace {

// The same time whatever the length of the common prefix, so the token cannot be found by timing.
bool SameToken(const QString& a, const QString& b) {
    const QByteArray x = a.toUtf8();
    const QByteArray y = b.toUtf8();
    if (x.size() != y.size() || x.isEmpty())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < x.size(); ++i)
        diff |= static_cast<unsigned char>(x[i] ^ y[i]);
    return diff == 0;
}

RemoteProtocol::SceneViews ScenesOf(const DeviceSession& session) {
    RemoteProtocol::SceneViews views;
    const SceneSlots slots = session.Scenes();
    for (int s = 0; s < SCENE_SLOTS; ++s) {
        const SceneSlotContents contents = slots.Read(s + 1);
        views[s] = {contents.state == SceneState::Stored, contents.scene.fadeSeconds};
    }
    return views;
}

} // namespace

void RemoteService::ConnectSession() {
    connect(&m_session, &DeviceSession::ChannelChanged, this,
            [this](int channel, bool on, int level, ChangeOrigin origin) {
                // A page that moved a fader or a switch holds it itself and gets no echo; what its
                // scene recall or all off changed it cannot know, so that goes back to it too.
                const bool echo =
                    origin.kind == ChangeOrigin::Kind::Web && origin.client == m_echoFreeClient;
                const quint64 except = echo ? origin.client : 0;
                Broadcast(RemoteProtocol::ChannelMessage(channel, on, level, origin), except);
            });
    connect(&m_session, &DeviceSession::LinkStateChanged, this,
            [this](LinkState state) { Broadcast(RemoteProtocol::LinkMessage(state)); });
    connect(&m_session, &DeviceSession::FadeProgressChanged, this, &RemoteService::SendFade);
    connect(&m_session, &DeviceSession::FadingChanged, this, &RemoteService::SendFade);
    connect(&m_session, &DeviceSession::ScenesChanged, this, [this] {
        if (!m_clients.isEmpty())
            Broadcast(RemoteProtocol::ScenesMessage(ScenesOf(m_session)));
    });
}

QByteArray RemoteService::Snapshot(quint64 client) const {
    RemoteProtocol::Snapshot s;
    s.client = client;
    for (int c = 0; c < CHANNEL_COUNT; ++c)
        s.channels[c] = {RemoteProtocol::ChannelName(c), m_session.Channels().Level(c),
                         m_session.Channels().On(c)};
    s.link = m_session.CurrentLinkState();
    s.scenes = ScenesOf(m_session);
    s.fading = m_session.Fading();
    s.fadeText = m_session.FadeProgressText();
    return RemoteProtocol::SnapshotMessage(s);
}

void RemoteService::OnUpgraded(QWebSocket* socket) {
    auto* client = new RemoteClient(socket, m_nextClient++, this);
    connect(client, &RemoteClient::Gone, this, &RemoteService::OnGone);
    if (!Running()) {
        client->Close(RemoteProtocol::kCloseGoingAway,
                      QString::fromLatin1(RemoteProtocol::kReasonGoingAway));
        return;
    }
    if (!SameToken(client->Token(), m_settings.token)) {
        RemoteLog(QStringLiteral("a page from %1 came without the link's token; closed")
                      .arg(client->Peer()));
        client->Close(RemoteProtocol::kCloseBadToken,
                      QString::fromLatin1(RemoteProtocol::kReasonBadToken));
        return;
    }
    if (m_clients.size() >= RemoteProtocol::kMaxClients) {
        RemoteLog(QStringLiteral("%1 pages open; the one from %2 was turned away")
                      .arg(m_clients.size())
                      .arg(client->Peer()));
        client->Close(RemoteProtocol::kCloseTooManyClients,
                      QString::fromLatin1(RemoteProtocol::kReasonTooManyClients));
        return;
    }
    m_clients.append(client);
    connect(client, &RemoteClient::MessageArrived, this, &RemoteService::OnMessage);
    client->Send(Snapshot(client->Id()));
    RemoteLog(QStringLiteral("page %1 from %2 connected (%3 open)")
                  .arg(client->Id())
                  .arg(client->Peer())
                  .arg(m_clients.size()));
    if (!m_pingTimer.isActive())
        m_pingTimer.start();
    Q_EMIT ClientCountChanged(ClientCount());
}

void RemoteService::OnMessage(RemoteClient* client, const QByteArray& text) {
    using namespace RemoteProtocol;
    const PageMessage m = ParsePageMessage(text);
    if (!m.ok()) {
        client->Send(RefusedMessage(m.id, m.refusal));
        return;
    }
    if (m.op == Op::Ping) {
        client->Send(PongMessage());
        return;
    }
    if (!SameToken(m.token, m_settings.token)) {
        client->Send(RefusedMessage(m.id, QStringLiteral("wrong token; %1").arg(kReasonBadToken)));
        return;
    }
    // The session announces a change as its request ends, so the echo is known by this window.
    const bool ownValue = m.op == Op::Level || m.op == Op::Switch;
    m_echoFreeClient = ownValue ? client->Id() : 0;
    const SessionAnswer answer =
        m_session.Request(m.request, {ChangeOrigin::Kind::Web, client->Id()});
    m_echoFreeClient = 0;
    if (!answer.ok())
        client->Send(RefusedMessage(m.id, answer.text));
}

void RemoteService::OnGone(RemoteClient* client) {
    if (!m_clients.removeOne(client))
        return;
    RemoteLog(QStringLiteral("page %1 from %2 closed (%3 open)")
                  .arg(client->Id())
                  .arg(client->Peer())
                  .arg(m_clients.size()));
    if (m_clients.isEmpty())
        m_pingTimer.stop();
    Q_EMIT ClientCountChanged(ClientCount());
}

void RemoteService::OnPingTick() {
    const qint64 now = RemoteClient::Now();
    // A dropped socket leaves the list as it goes.
    const QList<RemoteClient*> clients = m_clients;
    for (RemoteClient* client : clients) {
        if (!client->Silent(now, m_silenceMs)) {
            client->Ping();
            continue;
        }
        RemoteLog(QStringLiteral("page %1 from %2 did not answer for %3 s; dropping it")
                      .arg(client->Id())
                      .arg(client->Peer())
                      .arg(m_silenceMs / 1000.0));
        client->Drop();
    }
}

void RemoteService::Broadcast(const QByteArray& message, quint64 except) {
    // A page dropped for not reading leaves the list as it goes.
    const QList<RemoteClient*> clients = m_clients;
    for (RemoteClient* client : clients)
        if (client->Id() != except)
            client->Send(message);
}

void RemoteService::SendFade() {
    const bool fading = m_session.Fading();
    const QString text = m_session.FadeProgressText();
    if (fading == m_lastFading && text == m_lastFadeText)
        return;
    m_lastFading = fading;
    m_lastFadeText = text;
    Broadcast(RemoteProtocol::FadeMessage(fading, text));
}
