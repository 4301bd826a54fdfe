#pragma once

#include "DevSimTypes.h"

#include <QString>

// The pseudo-terminal that stands in for the serial line. The device keeps a slave descriptor of
// its own open for its whole life: the master then never sees a hang-up when the panel closes the
// port, so the device thread can block in poll() instead of re-checking a hung-up master, and
// the line settings stay put between openings.
class DevSimPty {
public:
    DevSimPty() = default;
    ~DevSimPty() { close(); }
    DevSimPty(const DevSimPty&) = delete;
    DevSimPty& operator=(const DevSimPty&) = delete;

    // `neutralLine`: 9600 8N1 instead of the controller's own settings.
    bool open(QString* error, bool neutralLine = false);
    void close();

    int masterFd() const { return m_master; }
    // Bytes the panel has not read yet (already through the line discipline).
    int unreadByPanel() const;
    QString slavePath() const { return m_slavePath; }
    // The settings as whoever set them last left them; false when the port is closed.
    bool lineSettings(DevSimLine* line) const;

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};

// Raw 19200 baud, 8 data bits, odd parity, one stop bit, no flow control; `neutral`: 9600 8N1.
bool devSimSetLine(int fd, bool neutral = false);

// Makes `link` a symlink to `target`, atomically replacing a symlink already there. Refuses to
// replace anything that is not a symlink.
bool devSimCreateLink(const QString& link, const QString& target, QString* error);
// Removes `link` only while it still points to `target` (another device may have taken it over).
void devSimRemoveLink(const QString& link, const QString& target);
