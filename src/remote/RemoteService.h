#pragma once

#include "remote/RemoteSettings.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class DeviceSession;
class QWebSocket;
class RemoteClient;
class RemoteListener;

// The browser remote: a client of the session beside the panel, the bus and the surface. It
// serves the page, takes the pages' messages as the session's requests with a Web origin (each
// page a client of its own), and sends the session's announcements to every page but the one
// whose change it was. Off until turned on; remote.ini beside set.ini keeps the choice.
class RemoteService : public QObject {
    Q_OBJECT

public:
    explicit RemoteService(DeviceSession& session, QObject* parent = nullptr);
    ~RemoteService() override;

    // remote.ini from the session's settings folder; starts listening when it says Enabled.
    void Load();
    RemoteSettings Settings() const { return m_settings; }

    bool Running() const;
    // The port listened on, which is the next free one when the chosen one was taken; 0 when off.
    int BoundPort() const;
    // "HOST:PORT" the page is reached at: 127.0.0.1, or the machine's LAN address.
    QString Address() const;
    // http://HOST:PORT/#TOKEN while running, else empty.
    QString Link() const;
    int ClientCount() const { return static_cast<int>(m_clients.size()); }
    // Why the settings could not be saved the last time, empty when they were.
    QString SaveError() const { return m_saveError; }

    // Empty when listening, else the reason. Saves remote.ini; a folder that cannot be written
    // leaves it listening for this run, with SaveError() saying so.
    QString TurnOn(bool lan, int port);
    // Closes every page and stops listening; saves.
    void TurnOff();
    // A new token, saved; every page opened with the old one is closed.
    void NewLink();

    // Tests shorten the ping's period and the silence after which a socket counts as dead.
    void SetPingTimes(int periodMs, int silenceMs);
    RemoteListener& Listener() { return *m_listener; }

Q_SIGNALS:
    // Running, the port, the address or the link changed.
    void StateChanged();
    void ClientCountChanged(int clients);

private:
    QString IniPath() const;
    QString Start(bool lan, int port);
    void Stop(int code, const QString& reason);
    void Save();
    void CloseAll(int code, const QString& reason);

    // RemoteServiceClients.cpp: the pages and the session.
    void ConnectSession();
    void OnUpgraded(QWebSocket* socket);
    void OnMessage(RemoteClient* client, const QByteArray& text);
    void OnGone(RemoteClient* client);
    void OnPingTick();
    void Broadcast(const QByteArray& message, quint64 except = 0);
    void SendFade();
    QByteArray Snapshot(quint64 client) const;

    DeviceSession& m_session;
    RemoteSettings m_settings;
    QString m_saveError;
    bool m_lan = false;
    RemoteListener* m_listener;
    QList<RemoteClient*> m_clients;
    quint64 m_nextClient = 1;
    // The page whose own fader or switch change is being made: it gets no echo of it.
    quint64 m_echoFreeClient = 0;
    QTimer m_pingTimer;
    int m_silenceMs;
    bool m_lastFading = false;
    QString m_lastFadeText;
};
