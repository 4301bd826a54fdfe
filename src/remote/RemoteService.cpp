#include "remote/RemoteService.h"

#include "remote/RemoteClient.h"
#include "remote/RemoteHosts.h"
#include "remote/RemoteListener.h"
#include "remote/RemoteLog.h"
#include "remote/RemoteProtocol.h"
#include "session/DeviceSession.h"
#include "settings/SettingsStore.h"

#include <QWebSocket>

RemoteService::RemoteService(DeviceSession& session, QObject* parent)
    : QObject(parent), m_session(session), m_listener(new RemoteListener(this)),
      m_silenceMs(RemoteProtocol::kSilenceLimitMs) {
    m_pingTimer.setInterval(RemoteProtocol::kPingPeriodMs);
    connect(&m_pingTimer, &QTimer::timeout, this, &RemoteService::OnPingTick);
    connect(m_listener, &RemoteListener::Upgraded, this, &RemoteService::OnUpgraded);
    ConnectSession();
}

RemoteService::~RemoteService() {
    // The pages hear that the panel went away rather than finding a dead socket.
    CloseAll(RemoteProtocol::kCloseGoingAway,
             QString::fromLatin1(RemoteProtocol::kReasonGoingAway));
}

void RemoteService::Load() {
    m_settings = LoadRemoteSettings(IniPath());
    if (!m_settings.enabled)
        return;
    const bool hadToken = !m_settings.token.isEmpty();
    if (const QString why = Start(m_settings.lan, m_settings.port); !why.isEmpty())
        RemoteLog(QStringLiteral("not started: %1").arg(why));
    else if (!hadToken)
        // A file written by hand: the link made now must still open the page after a restart.
        Save();
}

QString RemoteService::IniPath() const {
    // Before the panel built its paths the folder is still where it will be.
    const QString folder = m_session.Settings().FolderPath();
    return RemoteIniPath(folder.isEmpty() ? ProgramFilesDir() + QStringLiteral("/QV/Morvix")
                                          : folder);
}

bool RemoteService::Running() const {
    return m_listener->Listening();
}

int RemoteService::BoundPort() const {
    return m_listener->Port();
}

QString RemoteService::Address() const {
    const bool lan = Running() ? m_lan : m_settings.lan;
    QString host = lan ? LanAddress() : QString();
    if (host.isEmpty())
        host = QStringLiteral("127.0.0.1");
    return QStringLiteral("%1:%2").arg(host).arg(Running() ? BoundPort() : m_settings.port);
}

QString RemoteService::Link() const {
    if (!Running())
        return {};
    return QStringLiteral("http://%1/#%2").arg(Address(), m_settings.token);
}

QString RemoteService::TurnOn(bool lan, int port) {
    const QString why = Start(lan, port);
    if (!why.isEmpty()) {
        RemoteLog(QStringLiteral("not started: %1").arg(why));
        return why;
    }
    m_settings.enabled = true;
    m_settings.lan = lan;
    m_settings.port = port;
    Save();
    return {};
}

void RemoteService::TurnOff() {
    Stop(RemoteProtocol::kCloseGoingAway, QString::fromLatin1(RemoteProtocol::kReasonGoingAway));
    m_settings.enabled = false;
    Save();
    Q_EMIT StateChanged();
}

void RemoteService::NewLink() {
    m_settings.token = NewRemoteToken();
    Save();
    CloseAll(RemoteProtocol::kCloseBadToken, QString::fromLatin1(RemoteProtocol::kReasonBadToken));
    RemoteLog(QStringLiteral("new link; the pages with the old one were closed"));
    Q_EMIT StateChanged();
}

void RemoteService::SetPingTimes(int periodMs, int silenceMs) {
    m_pingTimer.setInterval(periodMs);
    m_silenceMs = silenceMs;
}

QString RemoteService::Start(bool lan, int port) {
    if (port <= 0 || port > 65535)
        return QStringLiteral("port must be 1..65535, not %1").arg(port);
    // Another address or port: the pages open on the old one are closed with it.
    Stop(RemoteProtocol::kCloseGoingAway, QString::fromLatin1(RemoteProtocol::kReasonGoingAway));
    if (m_settings.token.isEmpty())
        m_settings.token = NewRemoteToken();
    const QString why = m_listener->Listen(lan, port);
    if (why.isEmpty()) {
        m_lan = lan;
        RemoteLog(QStringLiteral("listening on %1 (%2)")
                      .arg(Address(), lan ? QStringLiteral("the local network")
                                          : QStringLiteral("this computer only")));
    }
    Q_EMIT StateChanged();
    return why;
}

void RemoteService::Stop(int code, const QString& reason) {
    const bool was = Running();
    CloseAll(code, reason);
    m_listener->Close();
    m_pingTimer.stop();
    if (was)
        RemoteLog(QStringLiteral("stopped"));
}

void RemoteService::CloseAll(int code, const QString& reason) {
    const QList<RemoteClient*> clients = std::exchange(m_clients, {});
    for (RemoteClient* client : clients)
        client->Close(code, reason);
    const bool had = !clients.isEmpty();
    m_pingTimer.stop();
    if (had)
        Q_EMIT ClientCountChanged(0);
}

void RemoteService::Save() {
    m_saveError = SaveRemoteSettings(IniPath(), m_settings);
    if (!m_saveError.isEmpty())
        RemoteLog(QStringLiteral("cannot save %1: %2").arg(IniPath(), m_saveError));
}
