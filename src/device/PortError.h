#pragma once

#include <QString>
#include <QtGlobal>

// Why the port did not open, as far as the system tells. The port records it; the panel turns it
// into words (PortErrorText) under its own message.
enum class PortErrorKind {
    None,
    NotChosen,        // empty name or the settings' "NULL"
    NotFound,         // no such device (never plugged in, or unplugged)
    PermissionDenied, // the device's group does not include this user
    Busy,             // another descriptor holds it exclusively
    NotATerminal,     // the path exists but is no serial line
    SettingsRefused,  // the line settings were not taken
    Other,            // anything else; errnum says what
};

struct PortError {
    PortErrorKind kind = PortErrorKind::None;
    int errnum = 0;
    QString path; // the device path tried
    // PermissionDenied: the group that owns the device (its number when it has no name).
    QString group;
    // Busy: who holds the device, when /proc tells.
    qint64 holderPid = 0;
    QString holderName;
    // The port's own words for the failure ("Connect Failed. DCB Setting Error", ...), shown
    // before the panel's message; empty when the port has none.
    QString text;
    QString caption;
    // Busy, nobody found holding it (another user's process hides its descriptors): a program
    // known to grab serial devices (ModemManager, brltty) is running and is the likely holder.
    bool holderGuessed = false;

    // Kinds that may clear by themselves, so retrying without the operator makes sense.
    bool MayClearByItself() const {
        return kind == PortErrorKind::NotFound || kind == PortErrorKind::Busy;
    }
};

// What an open(2) or lock failure on `path` with `errnum` means, with the owning group filled in
// for a permission failure.
PortError DiagnosePortError(const QString& portName, const QString& path, int errnum);

// For a busy port, who holds it, from the process table under `procRoot`: the process holding
// the advisory lock on it (procRoot/locks, readable by every user), else the first process with a
// descriptor on the same device (only one's own processes unless root), else a running program
// known to grab serial devices. Walks every process, so only for a message the operator reads.
void FindPortHolder(PortError& error, const QString& procRoot = QStringLiteral("/proc"));

// Programs that open serial devices they were never asked to, by their process name.
bool IsKnownGrabber(const QString& processName);
