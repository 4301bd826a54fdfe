// Received bursts of any bytes and any counts, handed to the controller the way the port's
// watcher hands them over, between watchdog, synchronisation and repeat ticks: a burst whose
// first byte is 'u' marks the link alive, any other burst changes nothing (not even a repaint).
#include "FuzzInput.h"
#include "HostedPanel.h"
#include "panel/PanelController.h"

#include <QCoreApplication>

namespace {

struct Snapshot {
    ChannelModel channels;
    OperatorInput input;
    LinkSupervision link;
    PointerHover hover;
    bool redrawPending;
    ChannelFrame frame;
    int repaints;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const PanelController& p, const RecordingHost& host) {
    return {p.Channels(),        p.Input(),         p.Session().Link().Supervision(),
            p.Hover(),           p.RedrawPending(), p.Session().LastFrame(),
            host.repaintRequests};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    HostedPanel rig;
    auto& [host, session, panel] = rig;
    // A model in any state the operator or a settings file can leave it in.
    ChannelModel channels = panel.Channels();
    for (int i = 0; i < CHANNEL_COUNT; ++i) {
        channels.SetLevel(i, in.Integral<std::int16_t>());
        channels.SetPower(i, in.Byte() % 3);
    }
    channels.Select(in.Byte() % CHANNEL_COUNT);
    panel.Session().RestoreChannels(channels);
    if (in.Byte() % 2 != 0)
        EditInput(panel, [](OperatorInput& input) { input.StartRepeat(); });
    if (const int plus = in.Byte() % 9; plus != 0)
        panel.ShowHover({.plusRow = plus - 1});

    RxBurst rx;
    while (!in.Empty()) {
        switch (in.Byte() % 4) {
        case 0: {
            // Each read stores at most six bytes at the start; the rest keep older values.
            const std::size_t n = in.Byte() % 7;
            for (std::size_t i = 0; i < n; ++i)
                rx.bytes[i] = in.Byte();
            rx.count = in.Integral<std::uint32_t>();
            Snapshot expected = Take(panel, host);
            const bool answer = rx.bytes[0] == 'u';
            if (answer) {
                expected.link.rxFlag = 1;
                expected.link.idleTicks = 0;
                expected.link.silentTicks = 0;
                expected.link.linkLost = 0;
            }
            panel.Session().OnCommRx(rx);
            Snapshot after = Take(panel, host);
            if (answer) {
                // When the lamps are painted is the painter's business; that they are is checked
                // elsewhere.
                after.redrawPending = expected.redrawPending;
                after.repaints = expected.repaints;
            }
            FUZZ_CHECK(after == expected);
            break;
        }
        case 1:
            panel.Session().Link().OnWatchdogTick();
            break;
        case 2:
            panel.Session().Link().OnSyncTick();
            break;
        default:
            panel.OnRepeatTick();
            break;
        }
    }
    return 0;
}
