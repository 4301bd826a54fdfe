#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <vector>

class QTcpServer;
class QTcpSocket;
class QWebSocket;
class QWebSocketServer;
struct HttpAnswer;
struct HttpRequestHead;

// The remote's door: TCP servers on loopback (or every address), each connection read as one
// HTTP request head, peeked and never consumed, then answered with a page file or a refusal and
// closed, or, for an upgrade whose Host and Origin are ours, handed to the WebSocket server as it
// stands. A socket that does not send a whole head in time is dropped.
class RemoteListener : public QObject {
    Q_OBJECT

public:
    // Sockets not yet answered; more are refused at once.
    static constexpr int kMaxWaitingSockets = 32;
    static constexpr int kHeadTimeoutMs = 5000;

    explicit RemoteListener(QObject* parent = nullptr);
    ~RemoteListener() override;

    // Listens from `port` on, the next ones when it is taken; empty when listening, else why not.
    QString Listen(bool lan, int port);
    // Stops listening and drops the sockets not yet answered.
    void Close();
    bool Listening() const { return !m_servers.empty(); }
    int Port() const { return m_port; }
    int WaitingSockets() const { return m_waiting; }
    // Tests shorten the wait for a head.
    void SetHeadTimeoutMs(int ms) { m_headTimeoutMs = ms; }

Q_SIGNALS:
    // A completed upgrade; the receiver owns the socket.
    void Upgraded(QWebSocket* socket);

private:
    QString TryPort(bool lan, int port);
    void OnNewConnection(QTcpServer* server);
    void OnReadable(QTcpSocket* socket);
    void Answer(QTcpSocket* socket, const HttpAnswer& answer, const HttpRequestHead& head);
    void HandOver(QTcpSocket* socket);
    void Adopt(QWebSocket* webSocket);
    void Forget(QTcpSocket* socket);

    std::vector<QTcpServer*> m_servers;
    QWebSocketServer* m_sockets;
    QList<QByteArray> m_hosts;
    int m_port = 0;
    int m_waiting = 0;
    int m_headTimeoutMs = kHeadTimeoutMs;
};
