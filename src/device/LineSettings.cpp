#include "device/LineSettings.h"

#include <array>
#include <utility>

std::optional<speed_t> BaudConstant(std::uint32_t baudRate) {
    static constexpr std::array<std::pair<std::uint32_t, speed_t>, 18> kRates{{
        {50, B50},
        {75, B75},
        {110, B110},
        {134, B134},
        {150, B150},
        {200, B200},
        {300, B300},
        {600, B600},
        {1200, B1200},
        {1800, B1800},
        {2400, B2400},
        {4800, B4800},
        {9600, B9600},
        {19200, B19200},
        {38400, B38400},
        {57600, B57600},
        {115200, B115200},
        {230400, B230400},
    }};
    for (const auto& [rate, constant] : kRates) {
        if (rate == baudRate)
            return constant;
    }
    return std::nullopt;
}

bool MakeLineSettings(termios& tio, const LineSettings& settings) {
    const auto speed = BaudConstant(settings.baudRate);
    if (!speed)
        return false;

    tcflag_t size = 0;
    switch (settings.byteSize) {
    case 5:
        size = CS5;
        break;
    case 6:
        size = CS6;
        break;
    case 7:
        size = CS7;
        break;
    case 8:
        size = CS8;
        break;
    default:
        return false;
    }

    tcflag_t parity = 0;
    switch (settings.parity) {
    case Parity::None:
        break;
    case Parity::Odd:
        parity = PARENB | PARODD;
        break;
    case Parity::Even:
        parity = PARENB;
        break;
#ifdef CMSPAR
    case Parity::Mark:
        parity = PARENB | PARODD | CMSPAR;
        break;
    case Parity::Space:
        parity = PARENB | CMSPAR;
        break;
#endif
    default:
        return false;
    }

    tcflag_t stop = 0;
    switch (settings.stopBits) {
    case StopBits::One:
        break;
    case StopBits::Two:
        stop = CSTOPB;
        break;
    default: // one and a half does not exist here
        return false;
    }

    cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
#ifdef CMSPAR
    tio.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
    tio.c_cflag |= size | parity | stop | CREAD | CLOCAL;
    // The port fd is non-blocking; a read returns whatever is queued.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return cfsetispeed(&tio, *speed) == 0 && cfsetospeed(&tio, *speed) == 0;
}

bool SettingsTaken(const termios& wanted, const termios& actual) {
    constexpr tcflag_t cflags = CSTOPB | CREAD | CLOCAL | CRTSCTS;
    constexpr tcflag_t iflags = IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP;
    constexpr tcflag_t lflags = ICANON | ECHO | ISIG | IEXTEN;
    return cfgetospeed(&actual) == cfgetospeed(&wanted) &&
           cfgetispeed(&actual) == cfgetispeed(&wanted) &&
           (actual.c_cflag & cflags) == (wanted.c_cflag & cflags) &&
           (actual.c_iflag & iflags) == (wanted.c_iflag & iflags) &&
           (actual.c_lflag & lflags) == (wanted.c_lflag & lflags) &&
           (actual.c_oflag & OPOST) == (wanted.c_oflag & OPOST);
}
