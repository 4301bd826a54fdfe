#pragma once

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
