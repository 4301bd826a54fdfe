#include "device/PortError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
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

} // namespace

void FindPortHolder(PortError& error, const QString& procRoot) {
    if (error.kind != PortErrorKind::Busy)
        return;
    struct stat device {};
    if (::stat(QFile::encodeName(error.path).constData(), &device) != 0)
        return;
    const bool isDevice = S_ISCHR(device.st_mode);
    const QStringList pids = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        bool numeric = false;
        const qint64 id = pid.toLongLong(&numeric);
        if (!numeric)
            continue;
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
            error.holderPid = id;
            QFile comm(procRoot + u'/' + pid + QStringLiteral("/comm"));
            if (comm.open(QIODevice::ReadOnly))
                error.holderName = QString::fromLocal8Bit(comm.readAll().trimmed());
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
