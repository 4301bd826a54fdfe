#pragma once

// Both ends of a pseudo-terminal line for tests: PtyPair when the test plays the device, PtyClient
// when it plays the panel against a device that made the pty (the simulator).

#include <QByteArray>
#include <QString>
#include <functional>
#include <termios.h>

// A pseudo-terminal for the port to open: the slave path is the port name, the test plays the
// device on the master. A second slave descriptor, opened before the port, lets the test look at
// the slave side (its input queue, its settings) without disturbing the port.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return m_master >= 0 && m_peek >= 0; }
    QString slavePath() const { return m_slavePath; }
    int master() const { return m_master; }
    int peek() const { return m_peek; }

    // Writes everything to the master, waiting for room up to the time-out.
    bool writeMaster(const QByteArray& bytes, int timeoutMs = 5000);
    // Reads until `count` bytes have arrived on the master or the time-out passes.
    QByteArray readMaster(int count, int timeoutMs = 5000);
    // Bytes waiting in the slave's input queue, i.e. not yet read by the port.
    int queuedForPort() const;
    termios slaveSettings() const;
    void closeMaster();

private:
    int m_master = -1;
    int m_peek = -1;
    QString m_slavePath;
};

// Checks `done` every millisecond until it holds or the time-out passes, without running the event
// loop (for use inside an event handler).
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// The panel's side of the line in tests: opens the slave raw at 19200 8O1, as the program would.
class PtyClient {
public:
    explicit PtyClient(const QString& path);
    ~PtyClient();
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    void close();

    // True when every byte went out.
    bool send(const QByteArray& bytes);
    // Reads until `count` bytes have arrived or the time is up; returns what arrived.
    QByteArray readExactly(int count, int timeoutMs);
    // Everything that arrives within the window: for checking that nothing (more) comes.
    QByteArray readFor(int windowMs);
    // Waits for any event on the descriptor; returns the poll() revents, 0 on time-out.
    short waitEvents(int timeoutMs);

private:
    int m_fd = -1;
};
