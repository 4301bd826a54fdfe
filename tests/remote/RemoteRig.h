#pragma once

#include "DeviceWithSettings.h"
#include "model/ChannelFrame.h"
#include "remote/RemoteService.h"
#include "session/DeviceSession.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>
#include <QWebSocket>
#include <memory>

// A port nobody listens on at the moment, so tests running side by side do not meet.
inline int FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The program as it runs with the remote on: the simulated device on a pty, the panel started
// as at start-up, and the remote listening on loopback.
struct RemoteRig {
    bool Start(bool lan = false) {
        if (!device.Start())
            return false;
        // As the panel starts it: settings, the port, the watchdog and the first poll.
        session.BuildPaths();
        session.ResetState();
        session.LoadSettings();
        session.Connect();
        session.StartWatchdog();
        session.SendCommand(CMD_POLL);
        // Past the synchronisation, so only what the test causes reaches the log.
        if (!QTest::qWaitFor([this] { return device.sim.validFrameCount() >= 9; }, 5000) ||
            !QTest::qWaitFor([this] { return !session.Link().SyncRunning(); }, 3000))
            return false;
        device.sim.clearLog();
        return remote.TurnOn(lan, FreePort()).isEmpty();
    }
    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(remote.BoundPort()); }
    QString Token() const { return remote.Settings().token; }
    QUrl SocketUrl(const QString& token) const {
        return QUrl(QStringLiteral("ws://%1/ws?t=%2").arg(Host(), token));
    }

    // A level set on the panel's own road: the model changed in a scope and the frame sent.
    void PanelSetsLevel(int channel, int level) {
        const DeviceSession::ChangeScope scope(session);
        session.Channels().SetLevel(channel, level);
        session.SendCommand(CMD_CHANNEL, channel);
    }

    DeviceWithSettings device;
    DeviceSession session;
    RemoteService remote{session};
};

#define START_RIG(rig, ...)                                                                        \
    QVERIFY2((rig).Start(__VA_ARGS__), qPrintable((rig).device.sim.errorString()))

// A page in the test: a WebSocket with the page's own origin, keeping every message it gets.
class TestPage : public QObject {
public:
    explicit TestPage(const QString& host)
        : m_socket(QStringLiteral("http://") + host, QWebSocketProtocol::VersionLatest) {
        connect(&m_socket, &QWebSocket::textMessageReceived, this,
                [this](const QString& text) { m_messages.append(text.toUtf8()); });
        connect(&m_socket, &QWebSocket::disconnected, this, [this] { m_closed = true; });
    }
    // Opens the socket and waits until it is open (or closed at once).
    bool Open(const QUrl& url) {
        m_socket.open(url);
        return QTest::qWaitFor(
            [this] { return m_socket.state() == QAbstractSocket::ConnectedState || m_closed; },
            5000);
    }
    bool OpenAndTakeSnapshot(const QUrl& url) {
        return Open(url) && WaitFor("snapshot").value("type") == QLatin1String("snapshot");
    }
    void Send(const QJsonObject& message) {
        m_socket.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson()));
    }
    void SendRaw(const QByteArray& text) { m_socket.sendTextMessage(QString::fromUtf8(text)); }
    // The first message of this type not yet taken; empty after the time-out.
    QJsonObject WaitFor(const QString& type, int timeoutMs = 5000) {
        QJsonObject found;
        (void)QTest::qWaitFor(
            [&] {
                for (qsizetype i = 0; i < m_messages.size(); ++i) {
                    const QJsonObject o = QJsonDocument::fromJson(m_messages[i]).object();
                    if (o.value("type").toString() == type) {
                        m_messages.removeAt(i);
                        found = o;
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return found;
    }
    int Count(const QString& type) const {
        int n = 0;
        for (const QByteArray& m : m_messages)
            n += QJsonDocument::fromJson(m).object().value("type").toString() == type ? 1 : 0;
        return n;
    }
    bool WaitClosed(int timeoutMs = 5000) {
        return QTest::qWaitFor([this] { return m_closed; }, timeoutMs);
    }
    bool Closed() const { return m_closed; }
    int CloseCode() const { return m_socket.closeCode(); }
    QString CloseReason() const { return m_socket.closeReason(); }
    QWebSocket& Socket() { return m_socket; }

private:
    QWebSocket m_socket;
    QList<QByteArray> m_messages;
    bool m_closed = false;
};

// One raw HTTP exchange: the request as written, the whole answer until the server closes.
inline QByteArray HttpExchange(int port, const QByteArray& request, int timeoutMs = 5000) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    if (!socket.waitForConnected(timeoutMs))
        return "<no connection>";
    socket.write(request);
    QByteArray answer;
    (void)QTest::qWaitFor(
        [&] {
            answer += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState;
        },
        timeoutMs);
    return answer + socket.readAll();
}
