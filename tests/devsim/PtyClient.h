#pragma once

#include <QByteArray>
#include <QString>

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

// "95 01 00 00 00 96" -> bytes.
QByteArray hexBytes(const char* hex);
// A well-formed frame with its checksum.
QByteArray frameBytes(int code, int argument, int power, int level);
