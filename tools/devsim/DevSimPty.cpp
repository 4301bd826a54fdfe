#include "DevSimPty.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

bool devSimSetLine(int fd, bool neutral) {
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | CRTSCTS | PARENB | PARODD);
    t.c_cflag |= CS8 | CLOCAL | CREAD | (neutral ? 0 : PARENB | PARODD);
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, neutral ? B9600 : B19200);
    cfsetospeed(&t, neutral ? B9600 : B19200);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

bool DevSimPty::lineSettings(DevSimLine* line) const {
    termios t{};
    if (m_slave < 0 || tcgetattr(m_slave, &t) != 0)
        return false;
    static const struct {
        speed_t code;
        int baud;
    } speeds[] = {{B1200, 1200},     {B2400, 2400},     {B4800, 4800},    {B9600, 9600},
                  {B19200, 19200},   {B38400, 38400},   {B57600, 57600},  {B115200, 115200},
                  {B230400, 230400}, {B460800, 460800}, {B921600, 921600}};
    line->baud = 0;
    for (const auto& s : speeds) {
        if (cfgetospeed(&t) == s.code)
            line->baud = s.baud;
    }
    switch (t.c_cflag & CSIZE) {
    case CS5:
        line->dataBits = 5;
        break;
    case CS6:
        line->dataBits = 6;
        break;
    case CS7:
        line->dataBits = 7;
        break;
    default:
        line->dataBits = 8;
        break;
    }
    line->parityEnabled = (t.c_cflag & PARENB) != 0;
    line->parityOdd = (t.c_cflag & PARODD) != 0;
    line->stopBits = (t.c_cflag & CSTOPB) != 0 ? 2 : 1;
    return true;
}

bool DevSimPty::open(QString* error, bool neutralLine) {
    close();
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        *error = systemError("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        ptsname_r(m_master, name, sizeof name) != 0) {
        *error = systemError("grantpt/unlockpt/ptsname");
        close();
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0 || !devSimSetLine(m_slave, neutralLine)) {
        *error = systemError("opening the port");
        close();
        return false;
    }
    const int flags = fcntl(m_master, F_GETFL);
    if (flags < 0 || fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        *error = systemError("fcntl");
        close();
        return false;
    }
    return true;
}

int DevSimPty::unreadByPanel() const {
    int count = 0;
    return m_slave >= 0 && ioctl(m_slave, FIONREAD, &count) == 0 ? count : 0;
}

void DevSimPty::close() {
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
}

bool devSimCreateLink(const QString& link, const QString& target, QString* error) {
    const QByteArray linkName = QFile::encodeName(link);
    struct stat st {};
    if (lstat(linkName.constData(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        *error = QStringLiteral("%1 exists and is not a symlink; not replacing it").arg(link);
        return false;
    }
    // Build the new link beside the old one and rename it over, so the name never dangles.
    const QByteArray temp = linkName + ".devsim-" + QByteArray::number(getpid());
    ::unlink(temp.constData());
    if (symlink(QFile::encodeName(target).constData(), temp.constData()) != 0) {
        *error = systemError("symlink");
        return false;
    }
    if (rename(temp.constData(), linkName.constData()) != 0) {
        *error = systemError("rename");
        ::unlink(temp.constData());
        return false;
    }
    return true;
}

void devSimRemoveLink(const QString& link, const QString& target) {
    const QByteArray linkName = QFile::encodeName(link);
    char buffer[4096];
    const ssize_t n = readlink(linkName.constData(), buffer, sizeof buffer - 1);
    if (n < 0)
        return;
    if (QByteArray(buffer, static_cast<int>(n)) == QFile::encodeName(target))
        ::unlink(linkName.constData());
}
