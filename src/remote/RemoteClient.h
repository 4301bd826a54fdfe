#pragma once

#include "remote/MessageRate.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QWebSocket;

// One open page: its socket (owned), its number, its message rate and when it was last heard.
// Messages past the rate are dropped here; the rest go on to the service.
class RemoteClient : public QObject {
    Q_OBJECT

public:
    // How long a closing socket may take to finish the close handshake.
    static constexpr int kCloseTimeoutMs = 5000;
    // Messages waiting for a page that does not read them; past this it is dropped rather than
    // let the panel's memory grow with every change.
    static constexpr qint64 kMaxBacklogBytes = 1024 * 1024;

    RemoteClient(QWebSocket* socket, quint64 id, QObject* parent = nullptr);
    ~RemoteClient() override;

    quint64 Id() const { return m_id; }
    QString Peer() const { return m_peer; }
    // The token the page opened the socket with.
    QString Token() const;
    bool Closing() const { return m_closing; }

    void Send(const QByteArray& message);
    void Close(int code, const QString& reason);
    // Nothing heard for `silenceMs`: the socket is taken for half-open.
    bool Silent(qint64 nowMs, int silenceMs) const { return nowMs - m_lastHeardMs >= silenceMs; }
    void Ping();
    // Drops the socket without a close handshake, for one that cannot answer it.
    void Drop();
    // Steady milliseconds, the clock of the above.
    static qint64 Now();

Q_SIGNALS:
    void MessageArrived(RemoteClient* client, const QByteArray& text);
    // The socket closed, for whatever reason; the client is deleted later.
    void Gone(RemoteClient* client);

private:
    // Counts the message against the rate; false when it is to be dropped.
    bool Admit();
    void OnText(const QString& text);

    QWebSocket* m_socket;
    quint64 m_id;
    QString m_peer;
    MessageRate m_rate;
    qint64 m_lastHeardMs;
    bool m_closing = false;
    bool m_gone = false;
};
