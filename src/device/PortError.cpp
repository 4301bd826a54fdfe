#include "device/PortError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QString GroupOf(const QByteArray& path) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return {};
    if (const group* g = ::getgrgid(st.st_gid))
        return QString::fromLocal8Bit(g->gr_name);
    return QString::number(st.st_gid);
}

QString ProcessName(const QString& procRoot, const QString& pid) {
    QFile comm(procRoot + u'/' + pid + QStringLiteral("/comm"));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed())
                                          : QString();
}

QStringList ProcessIds(const QString& procRoot) {
    QStringList pids;
    for (const QString& entry : QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        entry.toLongLong(&numeric);
        if (numeric)
            pids << entry;
    }
    return pids;
}

// The locker of a flock() on the file, from lines such as
// "3: FLOCK  ADVISORY  WRITE 812 00:05:87 0 EOF" (device numbers in hex, then the inode).
qint64 LockHolder(const QString& procRoot, const struct stat& file) {
    QFile locks(procRoot + QStringLiteral("/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return 0;
    const QString id = QStringLiteral("%1:%2:%3")
                           .arg(major(file.st_dev), 2, 16, QLatin1Char('0'))
                           .arg(minor(file.st_dev), 2, 16, QLatin1Char('0'))
                           .arg(file.st_ino);
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        // Waiters are listed with "->" and hold nothing.
        if (f.size() < 6 || f[1] != "FLOCK" || QString::fromLatin1(f[5]) != id)
            continue;
        const qint64 pid = f[4].toLongLong();
        if (pid > 0)
            return pid;
    }
    return 0;
}

} // namespace

bool IsKnownGrabber(const QString& processName) {
    return processName == QLatin1String("ModemManager") || processName == QLatin1String("brltty");
}

void FindPortHolder(PortError& error, const QString& procRoot) {
    if (error.kind != PortErrorKind::Busy)
        return;
    struct stat device {};
    if (::stat(QFile::encodeName(error.path).constData(), &device) != 0)
        return;
    if (const qint64 locker = LockHolder(procRoot, device)) {
        error.holderPid = locker;
        error.holderName = ProcessName(procRoot, QString::number(locker));
        return;
    }
    const bool isDevice = S_ISCHR(device.st_mode);
    const QStringList pids = ProcessIds(procRoot);
    for (const QString& pid : pids) {
        const QString fdFolder = procRoot + u'/' + pid + QStringLiteral("/fd");
        for (const QString& fd :
             QDir(fdFolder).entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            struct stat held {};
            if (::stat(QFile::encodeName(fdFolder + u'/' + fd).constData(), &held) != 0)
                continue;
            const bool same = isDevice
                                  ? S_ISCHR(held.st_mode) && held.st_rdev == device.st_rdev
                                  : held.st_dev == device.st_dev && held.st_ino == device.st_ino;
            if (!same)
                continue;
            error.holderPid = pid.toLongLong();
            error.holderName = ProcessName(procRoot, pid);
            return;
        }
    }
    for (const QString& pid : pids) {
        const QString name = ProcessName(procRoot, pid);
        if (IsKnownGrabber(name)) {
            error.holderPid = pid.toLongLong();
            error.holderName = name;
            error.holderGuessed = true;
            return;
        }
    }
}

PortError DiagnosePortError(const QString& portName, const QString& path, int errnum) {
    PortError error;
    error.errnum = errnum;
    error.path = path;
    const QByteArray encoded = QFile::encodeName(path);
    const bool notChosen = portName.trimmed().isEmpty() ||
                           portName.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0;
    switch (errnum) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        error.kind = notChosen ? PortErrorKind::NotChosen : PortErrorKind::NotFound;
        break;
    case EACCES:
    case EPERM:
        error.kind = PortErrorKind::PermissionDenied;
        error.group = GroupOf(encoded);
        break;
    case EBUSY:
    case EWOULDBLOCK:
        error.kind = PortErrorKind::Busy;
        break;
    case ENOTTY:
        error.kind = PortErrorKind::NotATerminal;
        break;
    default:
        error.kind = notChosen && path.isEmpty() ? PortErrorKind::NotChosen : PortErrorKind::Other;
        break;
    }
    return error;
}
