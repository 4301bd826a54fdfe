#include "remote/RemoteListener.h"

#include "remote/PageRoutes.h"
#include "remote/RemoteHosts.h"
#include "remote/RemoteLog.h"
#include "remote/RemoteProtocol.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>

namespace {

const char kWaitingProperty[] = "morvixRemoteWaiting";

QString Peer(const QTcpSocket* socket) {
    return PeerText(socket->peerAddress());
}

} // namespace

RemoteListener::RemoteListener(QObject* parent)
    : QObject(parent), m_sockets(new QWebSocketServer(QStringLiteral("Morvix"),
                                                      QWebSocketServer::NonSecureMode, this)) {
    m_sockets->setMaxPendingConnections(RemoteProtocol::kMaxClients * 2);
    m_sockets->setHandshakeTimeout(kHeadTimeoutMs);
    connect(m_sockets, &QWebSocketServer::newConnection, this, [this] {
        while (QWebSocket* socket = m_sockets->nextPendingConnection()) {
            Adopt(socket);
            Q_EMIT Upgraded(socket);
        }
    });
}

RemoteListener::~RemoteListener() {
    Close();
}

QString RemoteListener::Listen(bool lan, int port) {
    Close();
    QString why;
    for (int p = port; p < port + RemoteProtocol::kPortsTried && p <= 65535; ++p) {
        why = TryPort(lan, p);
        if (why.isEmpty()) {
            if (p != port)
                RemoteLog(QStringLiteral("port %1 is taken; listening on %2").arg(port).arg(p));
            m_port = p;
            m_hosts = AllowedHosts(lan, p);
            return {};
        }
        if (!why.startsWith(QLatin1String("taken")))
            break;
    }
    return why.startsWith(QLatin1String("taken")) ? QStringLiteral("ports %1 to %2 are all taken")
                                                        .arg(port)
                                                        .arg(port + RemoteProtocol::kPortsTried - 1)
                                                  : why;
}

// "taken" when another program has the port, so the caller tries the next one.
QString RemoteListener::TryPort(bool lan, int port) {
    const QList<QHostAddress> addresses =
        lan ? QList<QHostAddress>{QHostAddress::Any}
            : QList<QHostAddress>{QHostAddress::LocalHost, QHostAddress::LocalHostIPv6};
    for (const QHostAddress& address : addresses) {
        auto* server = new QTcpServer(this);
        if (server->listen(address, static_cast<quint16>(port))) {
            connect(server, &QTcpServer::newConnection, this,
                    [this, server] { OnNewConnection(server); });
            m_servers.push_back(server);
            continue;
        }
        const auto error = server->serverError();
        const QString text = server->errorString();
        delete server;
        // A machine without IPv6 still has 127.0.0.1.
        if (address == QHostAddress::LocalHostIPv6 && error != QAbstractSocket::AddressInUseError &&
            !m_servers.empty()) {
            RemoteLog(QStringLiteral("no ::1 (%1); 127.0.0.1 only").arg(text));
            continue;
        }
        Close();
        return error == QAbstractSocket::AddressInUseError ? QStringLiteral("taken")
                                                           : QStringLiteral("cannot listen on "
                                                                            "port %1: %2")
                                                                 .arg(port)
                                                                 .arg(text);
    }
    return {};
}

void RemoteListener::Close() {
    for (QTcpServer* server : m_servers)
        delete server;
    m_servers.clear();
    m_port = 0;
    // The sockets waiting for their answer are the servers' children's no more: they are ours.
    for (QTcpSocket* socket : findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly))
        if (socket->property(kWaitingProperty).toBool()) {
            Forget(socket);
            socket->abort();
            socket->deleteLater();
        }
}

void RemoteListener::OnNewConnection(QTcpServer* server) {
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        socket->setParent(this);
        if (m_waiting >= kMaxWaitingSockets) {
            RemoteLog(QStringLiteral("%1 sockets wait for their answer; %2 refused")
                          .arg(m_waiting)
                          .arg(Peer(socket)));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_waiting;
        socket->setProperty(kWaitingProperty, true);
        // A client that sends its head a byte at a time, or never, does not keep the socket.
        auto* timeout = new QTimer(socket);
        timeout->setSingleShot(true);
        connect(timeout, &QTimer::timeout, socket, [this, socket] {
            RemoteLog(
                socket->property(kWaitingProperty).toBool()
                    ? QStringLiteral("%1 sent no whole request in time; closed").arg(Peer(socket))
                    : QStringLiteral("%1 did not take its answer; closed").arg(Peer(socket)));
            Forget(socket);
            socket->abort();
        });
        timeout->start(m_headTimeoutMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            Forget(socket);
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            OnReadable(socket);
    }
}

void RemoteListener::OnReadable(QTcpSocket* socket) {
    if (!socket->property(kWaitingProperty).toBool())
        return;
    // Peeked, so the WebSocket server reads the same head again.
    const HeadParse parse = ParseRequestHead(socket->peek(kMaxRequestHeadBytes + 1));
    switch (parse.status) {
    case HeadParse::Status::Incomplete:
        return;
    case HeadParse::Status::TooLarge:
        Answer(socket, BadRequest(431, "request head over 8 KiB"), {});
        return;
    case HeadParse::Status::Bad:
        Answer(socket, BadRequest(400, "not an HTTP/1.x request"), {});
        return;
    case HeadParse::Status::Complete:
        break;
    }
    const HttpAnswer answer = AnswerRequest(parse.head, m_hosts);
    if (answer.upgrade)
        HandOver(socket);
    else
        Answer(socket, answer, parse.head);
}

void RemoteListener::Answer(QTcpSocket* socket, const HttpAnswer& answer,
                            const HttpRequestHead& head) {
    if (!answer.refusal.isEmpty())
        RemoteLog(QStringLiteral("%1 refused (%2): %3")
                      .arg(Peer(socket))
                      .arg(answer.status)
                      .arg(QString::fromLatin1(answer.refusal)));
    Forget(socket);
    socket->readAll();
    socket->write(ResponseBytes(answer, head));
    socket->disconnectFromHost();
    // A client that never reads its answer still loses the socket: the head's timer, restarted.
    if (auto* timeout = socket->findChild<QTimer*>())
        timeout->start(m_headTimeoutMs);
}

void RemoteListener::HandOver(QTcpSocket* socket) {
    Forget(socket);
    delete socket->findChild<QTimer*>();
    socket->disconnect(this);
    // A handshake the WebSocket server turns down leaves the socket with us.
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        if (socket->parent() == this)
            socket->deleteLater();
    });
    // The WebSocket server reads the head itself and times out its own handshake.
    m_sockets->handleConnection(socket);
}

// The WebSocket does not take its TCP socket as a child; it is given it here, found by its
// ends, so the two go together and none stays behind with the listener.
void RemoteListener::Adopt(QWebSocket* webSocket) {
    for (QTcpSocket* socket : findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly)) {
        if (socket->peerPort() == webSocket->peerPort() &&
            socket->peerAddress() == webSocket->peerAddress() &&
            socket->localPort() == webSocket->localPort()) {
            socket->disconnect(this);
            socket->setParent(webSocket);
            return;
        }
    }
}

void RemoteListener::Forget(QTcpSocket* socket) {
    if (socket->property(kWaitingProperty).toBool()) {
        socket->setProperty(kWaitingProperty, false);
        --m_waiting;
    }
}
