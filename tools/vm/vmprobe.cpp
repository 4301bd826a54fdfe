// A second client of the port for the bench on real kernel drivers: the port class itself,
// without the panel, so the bench can check what a frame written just before Close does on a
// real driver, and what a second opener is told.
//   morvix-vmprobe drain PORT COUNT   COUNT set frames and the all-off frame, then Close at once
//   morvix-vmprobe open PORT          opens and closes; when refused, prints the operator's reason
#include "device/CCom.h"
#include "device/PortDiscovery.h"
#include "device/PortError.h"
#include "device/PortErrorText.h"

#include <QCoreApplication>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using Frame = std::array<std::uint8_t, 6>;

Frame MakeFrame(std::uint8_t code, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    Frame f{0x95, code, a, b, c, 0};
    f[5] = static_cast<std::uint8_t>(f[0] + f[1] + f[2] + f[3] + f[4]);
    return f;
}

bool OpenPort(CCom& com, const char* port) {
    com.Configure(QString::fromLocal8Bit(port), 19200, 8, StopBits::One, Parity::Odd);
    if (com.Open())
        return true;
    PortError error = com.LastError();
    FindPortHolder(error);
    std::printf("%s\n", qPrintable(PortErrorText(error, DiscoverPorts())));
    return false;
}

int Drain(const char* port, int count) {
    CCom com;
    if (!OpenPort(com, port))
        return 1;
    int written = 0;
    for (int i = 0; i < count; ++i) {
        const Frame f = MakeFrame(2, static_cast<std::uint8_t>(i % 8 + 1), 1,
                                  static_cast<std::uint8_t>(i % 256));
        written += com.Write(f.data(), f.size()) == f.size() ? 1 : 0;
    }
    const Frame off = MakeFrame(3, 8, 0, 0);
    written += com.Write(off.data(), off.size()) == off.size() ? 1 : 0;
    com.Close();
    std::printf("written %d of %d\n", written, count + 1);
    return written == count + 1 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "drain") == 0)
        return Drain(argv[2], std::atoi(argv[3]));
    if (argc == 3 && std::strcmp(argv[1], "open") == 0) {
        CCom com;
        if (!OpenPort(com, argv[2]))
            return 1;
        std::printf("opened\n");
        return 0;
    }
    std::fprintf(stderr, "usage: morvix-vmprobe drain PORT COUNT | open PORT\n");
    return 2;
}
