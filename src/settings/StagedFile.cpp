#include "settings/StagedFile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString ResolvedTarget(const QString& path) {
    // A settings file kept elsewhere through a link stays a link; its target is replaced.
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty())
            return target;
    }
    return path;
}

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

// Syncs the folder holding `path`, so a rename into it is on disk too.
bool SyncFolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? "/" : path.left(slash);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

} // namespace

StagedFile::StagedFile(const QString& targetPath)
    : m_target(QFile::encodeName(ResolvedTarget(targetPath))),
      m_temporary(m_target + QByteArrayLiteral(".tmp")) {}

StagedFile::~StagedFile() {
    Discard();
}

QString StagedFile::TemporaryPath(const QString& targetPath) {
    return targetPath + QStringLiteral(".tmp");
}

bool StagedFile::Fail(int error) {
    m_error = QString::fromLocal8Bit(std::strerror(error));
    Discard();
    return false;
}

void StagedFile::Discard() {
    if (m_fd < 0)
        return;
    // Still holding the lock, so the file under this name is ours.
    ::unlink(m_temporary.constData());
    ::close(m_fd);
    m_fd = -1;
    m_staged = false;
}

bool StagedFile::Stage(const QByteArray& contents) {
    if (m_staged || m_fd >= 0)
        return false;
    if (m_target.contains('\0'))
        return Fail(ENOENT);
    // Another saver may hold the same temporary name: wait for its lock, and start again if it
    // renamed the file away meanwhile, so two savers never write into one file.
    for (;;) {
        const int fd =
            ::open(m_temporary.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0)
            return Fail(errno);
        m_fd = fd;
        int rc;
        do {
            rc = ::flock(fd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0)
            return Fail(errno);
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) != 0)
            return Fail(errno);
        if (::stat(m_temporary.constData(), &named) == 0 && named.st_dev == opened.st_dev &&
            named.st_ino == opened.st_ino)
            break;
        ::close(fd);
        m_fd = -1;
    }
    struct stat old {};
    const bool keepMode = ::stat(m_target.constData(), &old) == 0 && S_ISREG(old.st_mode);
    if (::ftruncate(m_fd, 0) != 0 || (keepMode && ::fchmod(m_fd, old.st_mode & 07777) != 0) ||
        !WriteAll(m_fd, contents) || ::fsync(m_fd) != 0)
        return Fail(errno);
    m_staged = true;
    return true;
}

bool StagedFile::Commit() {
    if (!m_staged)
        return false;
    m_staged = false;
    if (::rename(m_temporary.constData(), m_target.constData()) != 0)
        return Fail(errno);
    // The rename is done; a folder that cannot be synced only weakens the power-cut promise.
    SyncFolderOf(m_target);
    ::close(m_fd);
    m_fd = -1;
    return true;
}
