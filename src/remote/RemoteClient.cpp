#include "remote/RemoteClient.h"

#include "remote/RemoteLog.h"
#include "remote/RemoteProtocol.h"

#include <QTimer>
#include <QUrlQuery>
#include <QWebSocket>
#include <chrono>

RemoteClient::RemoteClient(QWebSocket* socket, quint64 id, QObject* parent)
    : QObject(parent), m_socket(socket), m_id(id), m_peer(PeerText(socket->peerAddress())),
      m_lastHeardMs(Now()) {
    socket->setParent(this);
    // Room to refuse an oversized message with a reason; anything larger closes the socket.
    socket->setMaxAllowedIncomingMessageSize(RemoteProtocol::kMaxMessageBytes * 4);
    socket->setMaxAllowedIncomingFrameSize(RemoteProtocol::kMaxMessageBytes * 4);
    connect(socket, &QWebSocket::textMessageReceived, this, &RemoteClient::OnText);
    connect(socket, &QWebSocket::binaryMessageReceived, this, [this](const QByteArray&) {
        if (Admit())
            Send(RemoteProtocol::RefusedMessage({}, QStringLiteral("text messages only")));
    });
    connect(socket, &QWebSocket::pong, this, [this] { m_lastHeardMs = Now(); });
    connect(socket, &QWebSocket::disconnected, this, [this] {
        if (std::exchange(m_gone, true))
            return;
        Q_EMIT Gone(this);
        deleteLater();
    });
}

RemoteClient::~RemoteClient() = default;

qint64 RemoteClient::Now() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString RemoteClient::Token() const {
    return QUrlQuery(m_socket->requestUrl())
        .queryItemValue(QLatin1String(RemoteProtocol::kTokenQuery));
}

void RemoteClient::Send(const QByteArray& message) {
    if (m_closing)
        return;
    if (m_socket->bytesToWrite() > kMaxBacklogBytes) {
        RemoteLog(QStringLiteral("page %1 from %2 does not read its messages; dropping it")
                      .arg(m_id)
                      .arg(m_peer));
        Drop();
        return;
    }
    m_socket->sendTextMessage(QString::fromUtf8(message));
}

void RemoteClient::Close(int code, const QString& reason) {
    if (std::exchange(m_closing, true))
        return;
    m_socket->close(static_cast<QWebSocketProtocol::CloseCode>(code), reason);
    // A peer that never answers the close does not keep the socket.
    QTimer::singleShot(kCloseTimeoutMs, m_socket, [socket = m_socket] { socket->abort(); });
}

void RemoteClient::Ping() {
    m_socket->ping();
}

void RemoteClient::Drop() {
    m_closing = true;
    m_socket->abort();
}

bool RemoteClient::Admit() {
    const qint64 now = Now();
    m_lastHeardMs = now;
    if (m_closing)
        return false;
    if (m_rate.Admit(now))
        return true;
    if (m_rate.NoticeDue(now))
        Send(RemoteProtocol::NoticeMessage(
            QStringLiteral("more than %1 messages a second; the rest were dropped")
                .arg(RemoteProtocol::kMaxMessagesPerSecond)));
    return false;
}

void RemoteClient::OnText(const QString& text) {
    if (Admit())
        Q_EMIT MessageArrived(this, text.toUtf8());
}
