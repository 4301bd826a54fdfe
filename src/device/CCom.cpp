#include "device/CCom.h"

#include "device/CommWatcher.h"
#include "device/LineSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QtGlobal>
#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

const char* const kAppTitle = "Morvix";

bool AllDigits(QStringView text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// An FTDI adapter holds received bytes until its latency timer runs out (16 ms by default) unless
// its buffer fills: every answer would wait that long. Asked for low latency, the driver sets the
// timer to 1 ms. A driver that refuses leaves the adapter as it was.
void RequestLowLatency(int fd) {
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY) != 0)
        return;
    serial.flags |= ASYNC_LOW_LATENCY;
    ::ioctl(fd, TIOCSSERIAL, &serial);
}

} // namespace

CCom::CCom() : m_watcher(std::make_unique<Watcher>()) {}

CCom::~CCom() {
    Close();
}

void CCom::Configure(QString portName, std::uint32_t baudRate, std::uint8_t byteSize,
                     StopBits stopBits, Parity parity) {
    if (portName != m_strPort)
        m_adapter = {};
    m_strPort = std::move(portName);
    m_dwBaudRate = baudRate;
    m_byteSize = byteSize;
    m_stopBits = stopBits;
    m_parity = parity;
}

void CCom::SetReceiver(QObject* context, Receiver receiver) {
    m_hOwner = context;
    m_receiver = context ? std::move(receiver) : Receiver{};
}

QString CCom::DevicePath(const QString& portName) {
    if (portName.isEmpty())
        return {};
    if (portName.startsWith(u'/'))
        return portName;
    if (portName.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        const QStringView number = QStringView(portName).mid(3);
        bool ok = false;
        const uint n = number.toUInt(&ok);
        if (AllDigits(number) && ok && n >= 1)
            return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    }
    return QStringLiteral("/dev/") + portName;
}

QString CCom::ReturnedPath() const {
    if (m_adapter.IsKnown())
        return FindAdapter(m_adapter, m_roots);
    const QString path = DevicePath(m_strPort);
    struct stat st {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0 ? path
                                                                                    : QString();
}

bool CCom::Reopen() {
    if (!m_adapter.IsKnown())
        return Open();
    const QString path = ReturnedPath();
    if (path.isEmpty()) {
        if (m_hComm >= 0 || m_watcher->thread.joinable())
            Close();
        m_lastError = DiagnosePortError(m_strPort, DevicePath(m_strPort), ENOENT);
        return false;
    }
    return OpenDevice(path);
}

bool CCom::Open() {
    return OpenDevice(DevicePath(m_strPort));
}

bool CCom::OpenDevice(const QString& devicePath) {
    // Whatever an earlier opening left (a watcher that ended on its own, an fd) goes first.
    if (m_hComm >= 0 || m_watcher->thread.joinable())
        Close();

    m_lastError = {};
    const QByteArray path = QFile::encodeName(devicePath);
    // open() would stop at a NUL and take the device named by the bytes before it; a name the
    // file system cannot hold names no port at all.
    const bool usable =
        !path.isEmpty() && !path.contains('\0') && QFile::decodeName(path) == devicePath;
    const int fd =
        usable ? ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (fd < 0) {
        m_lastError = DiagnosePortError(m_strPort, devicePath, usable ? errno : ENOENT);
        m_bConnected = false;
        return false;
    }
    // Exclusive like an unshared Windows handle. TIOCEXCL does not hold back root, the lock does
    // for anyone who takes it too.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int lockError = errno;
        ::close(fd);
        m_lastError = DiagnosePortError(m_strPort, devicePath, lockError);
        m_bConnected = false;
        return false;
    }
    ::ioctl(fd, TIOCEXCL);
    m_hComm = fd;
    m_sendDeadline = {};

    termios tio{};
    const LineSettings settings{m_dwBaudRate, m_byteSize, m_stopBits, m_parity};
    if (::tcgetattr(fd, &tio) != 0) {
        // Still the settings message, as for any port that refuses them; the reason says more.
        return FailOpen(QT_TRANSLATE_NOOP("CCom", "Connect Failed. DCB Setting Error"), kAppTitle,
                        errno == ENOTTY ? PortErrorKind::NotATerminal : PortErrorKind::Other,
                        errno);
    }
    bool accepted = MakeLineSettings(tio, settings);
    if (accepted) {
        // tcsetattr succeeds when any part was taken, and glibc reports EINVAL when nothing changed
        // although the request differs (a reopened pty, which drops parity): judge by the result.
        const int rc = ::tcsetattr(fd, TCSANOW, &tio);
        termios actual{};
        accepted = (rc == 0 || errno == EINVAL) && ::tcgetattr(fd, &actual) == 0 &&
                   SettingsTaken(tio, actual);
    }
    if (!accepted)
        return FailOpen(QT_TRANSLATE_NOOP("CCom", "Connect Failed. DCB Setting Error"), kAppTitle,
                        PortErrorKind::SettingsRefused, 0);
    ::tcflush(fd, TCIOFLUSH);
    m_openedPath = devicePath;
    // Which adapter this is, so that after an unplug the same one is opened again, whatever
    // number it comes back under; a port that is no USB device keeps no identity.
    m_adapter = IdentifyPort(devicePath, m_roots);
    if (m_adapter.driver == QLatin1String("ftdi_sio"))
        RequestLowLatency(fd);
    m_latencyMs = ::AdapterLatencyMs(devicePath, m_roots);

    // Without a way to wake the watcher it could never be stopped, so it is not started.
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0)
        return FailOpen(QT_TRANSLATE_NOOP("CCom", "Failed to create event for thread!"),
                        QT_TRANSLATE_NOOP("CCom", "com Error!"), PortErrorKind::Other, errno);

    m_bConnected = true;
    try {
        m_watcher->thread = std::thread([this] { CommWatchProc(); });
    } catch (const std::system_error& e) {
        return FailOpen(QT_TRANSLATE_NOOP("CCom", "Thread Run Fail"), kAppTitle,
                        PortErrorKind::Other, e.code().value());
    }
    return true;
}

bool CCom::FailOpen(const char* text, const char* caption, PortErrorKind kind, int errnum) {
    Close();
    m_lastError.kind = kind;
    m_lastError.errnum = errnum;
    m_lastError.path = DevicePath(m_strPort);
    m_lastError.text = QCoreApplication::translate("CCom", text);
    m_lastError.caption = QCoreApplication::translate("CCom", caption);
    return false;
}

bool CCom::Close() {
    m_bConnected = false;
    StopWatcher();
    if (m_hComm >= 0) {
        // A frame reported as written must reach the device (the all-off frame of an exit, the
        // one before Setup's reconnect) before DTR drops. Only output still queued past its
        // time-out is thrown away: once the queue is empty an output flush has nothing of ours
        // to drop, and on a pseudo-terminal it would discard what the device has not read yet.
        const bool sent = WaitUntilSent(m_sendDeadline);
        // A pseudo-terminal has no modem lines (ENOTTY/EINVAL); nothing to do about it.
        const int dtr = TIOCM_DTR;
        ::ioctl(m_hComm, TIOCMBIC, &dtr);
        ::tcflush(m_hComm, sent ? TCIFLUSH : TCIOFLUSH);
    }
    if (m_watcher->thread.joinable())
        m_watcher->thread.join();
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
        m_wakeFd = -1;
    }
    if (m_hComm >= 0) {
        // TIOCEXCL outlives this fd while anyone else still has the tty open.
        ::ioctl(m_hComm, TIOCNXCL);
        ::close(m_hComm);
        m_hComm = -1;
    }
    std::lock_guard lock(m_watcher->mutex);
    m_watcher->stop = false;
    return true;
}

void CCom::StopWatcher() {
    {
        std::lock_guard lock(m_watcher->mutex);
        m_watcher->stop = true;
        ++m_watcher->burst;
    }
    m_watcher->handedOver.notify_all();
    if (m_wakeFd >= 0)
        ::eventfd_write(m_wakeFd, 1);
}

void CCom::DeliverMessage(const PortMessage& message) {
    if (m_hOwner && m_receiver.message)
        m_receiver.message(message);
    else
        qWarning("%s: %s", qUtf8Printable(message.caption), qUtf8Printable(message.text));
}
