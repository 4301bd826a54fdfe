// Time of LoadSettings and SaveSettings on a full set.ini in a temporary folder on the ordinary
// file system (a save syncs the file), each call timed on its own.
//   settings_io_bench [loads] [saves]
#include "QuietHost.h"
#include "panel/PanelController.h"
#include "panel/PanelHost.h"
#include "session/DeviceSession.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

void Report(const char* what, int count, const std::function<void(int)>& call) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        call(i);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(us.begin(), us.end());
    const auto at = [&](double q) {
        return us[std::min(us.size() - 1, std::size_t(q * double(us.size())))];
    };
    std::printf("%s over %d calls: median %.1f us, p99 %.1f us, max %.1f us\n", what, count,
                at(0.5), at(0.99), us.back());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int loads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const int saves = argc > 2 ? std::max(1, std::atoi(argv[2])) : 300;

    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QuietHost host;
    DeviceSession panel;
    panel.SetPrompts(&host);
    panel.BuildPaths();
    panel.Settings().SetPortName(QStringLiteral("/dev/ttyUSB0"));
    panel.Settings().SetPresetName(home.path() + QStringLiteral("/preset.qvd"));
    panel.Settings().SetColors({0xFF0000, 0xFF000000, panel.Settings().Colors().channel});
    ChannelModel channels;
    for (int i = 0; i < CHANNEL_COUNT; ++i) {
        channels.SetPower(i, i % 2);
        channels.SetLevel(i, 30 * i);
    }
    panel.RestoreChannels(channels);
    panel.SaveSettings();

    Report("settings load", loads, [&](int) { panel.LoadSettings(); });
    Report("settings save", saves, [&](int i) {
        channels.SetLevel(0, i % 256);
        panel.RestoreChannels(channels);
        panel.SaveSettings();
    });
    return 0;
}
