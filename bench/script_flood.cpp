// Eight script clients flooding the real panel over D-Bus, and a fade with Setup open, measured
// at the simulated device (build/morvix, morvix-devsim and morvix-ctl on a bus of our own).
// Needs an X display for the operator's key and the Setup click:
//   xvfb-run -a -s '-screen 0 1024x768x24' build/bench/script_flood_bench [--json FILE]
// Both clocks are CLOCK_MONOTONIC: the simulator's log stamps and the clients' send times.
#include "flood/FloodClient.h"
#include "flood/FloodRun.h"
#include "flood/PanelRig.h"
#include "flood/SetupFade.h"
#include "flood/XInput.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace {

QJsonObject ToJson(const Spread& s) {
    return {{QStringLiteral("count"), qint64(s.count)},
            {QStringLiteral("p50_ms"), s.p50},
            {QStringLiteral("p99_ms"), s.p99},
            {QStringLiteral("max_ms"), s.max}};
}

void PrintSpread(const char* what, const Spread& s, const char* goal) {
    std::printf("%s over %zu: median %.1f ms, p99 %.1f ms, max %.1f ms%s\n", what, s.count, s.p50,
                s.p99, s.max, goal);
}

QJsonObject Report(const FloodSettings& s, const FloodResult& r) {
    std::printf("flood: %d clients, SetLevel %d/s each for %.1f s: %d calls, %d refused\n",
                s.clients, s.rateHz, s.seconds, r.sent, r.refused);
    PrintSpread("client call behind its schedule", r.clientLateMs, "");
    std::printf("most frames in any 100 ms at the device: %d (goal <= 25)\n", r.mostFramesIn100ms);
    PrintSpread("newest value to wire (each value's first frame)", r.newestToWireMs,
                " (goal p99 < 60 ms)");
    PrintSpread("sent value to wire (first frame with it or a later one)", r.eachToWireMs, "");
    std::printf("sent values on the wire: %d of %d; never covered: %d; stray frames: %d\n",
                r.reached, r.sent, r.neverCovered, r.strayFrames);
    QJsonArray finals;
    int matching = 0;
    for (int c = 0; c < s.clients; ++c) {
        const bool same = r.lastSent[std::size_t(c)] == r.lastOnWire[std::size_t(c)];
        matching += same ? 1 : 0;
        std::printf("final level channel %d: sent %d, device %d: %s\n", c + 1,
                    r.lastSent[std::size_t(c)], r.lastOnWire[std::size_t(c)], same ? "yes" : "no");
        finals.append(QJsonObject{{QStringLiteral("channel"), c + 1},
                                  {QStringLiteral("sent"), r.lastSent[std::size_t(c)]},
                                  {QStringLiteral("device"), r.lastOnWire[std::size_t(c)]},
                                  {QStringLiteral("match"), same}});
    }
    std::printf("final levels matching: %d of %d (goal: all)\n", matching, s.clients);
    PrintSpread("panel key press to wire during the flood", r.keyToWireMs, " (goal p99 < 25 ms)");
    std::printf("key presses without their frame: %d\n", r.keys.missing);
    std::printf("panel CPU during the flood: %.1f %% of a core (goal < 10 %%)\n",
                r.panelCpuShare * 100);
    return {{QStringLiteral("clients"), s.clients},
            {QStringLiteral("rate_hz"), s.rateHz},
            {QStringLiteral("seconds"), s.seconds},
            {QStringLiteral("calls"), r.sent},
            {QStringLiteral("refused"), r.refused},
            {QStringLiteral("client_late"), ToJson(r.clientLateMs)},
            {QStringLiteral("most_frames_in_100ms"), r.mostFramesIn100ms},
            {QStringLiteral("newest_value_to_wire"), ToJson(r.newestToWireMs)},
            {QStringLiteral("sent_value_to_wire"), ToJson(r.eachToWireMs)},
            {QStringLiteral("values_on_wire"), r.reached},
            {QStringLiteral("never_covered"), r.neverCovered},
            {QStringLiteral("stray_frames"), r.strayFrames},
            {QStringLiteral("final_levels"), finals},
            {QStringLiteral("key_to_wire"), ToJson(r.keyToWireMs)},
            {QStringLiteral("keys_missing"), r.keys.missing},
            {QStringLiteral("panel_cpu_share"), r.panelCpuShare}};
}

QJsonObject Report(const SetupFadeResult& r) {
    std::printf("fade of channel 2 with Setup open: %d frames at the device, %d ChannelChanged "
                "lines from watch (goal: as many)\n",
                r.framesOnWire, r.watchLines);
    if (r.setupClosed)
        std::printf("watch lines of channel 2 once Setup closed: %d\n", r.watchLinesOnClose);
    else
        std::printf("Setup did not close on Escape; lines held back are not counted\n");
    return {{QStringLiteral("frames_on_wire"), r.framesOnWire},
            {QStringLiteral("watch_lines"), r.watchLines},
            {QStringLiteral("setup_closed"), r.setupClosed},
            {QStringLiteral("watch_lines_on_close"), r.watchLinesOnClose}};
}

int Fail(const QString& what) {
    std::fprintf(stderr, "script_flood_bench: %s\n", qPrintable(what));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Also write <file>."),
                                  QStringLiteral("file"));
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("Length of the flood."), QStringLiteral("s"),
                                     QStringLiteral("5"));
    const QCommandLineOption rate(QStringLiteral("rate"), QStringLiteral("Calls a second each."),
                                  QStringLiteral("n"), QStringLiteral("100"));
    const QCommandLineOption client(QStringLiteral("client"),
                                    QStringLiteral("Run as the flood client of <channel>."),
                                    QStringLiteral("channel"));
    parser.addOptions({json, seconds, rate, client});
    parser.addHelpOption();
    parser.process(app);

    FloodSettings settings;
    settings.seconds = parser.value(seconds).toDouble();
    settings.rateHz = parser.value(rate).toInt();
    if (settings.seconds <= 0 || settings.seconds > 600 || settings.rateHz < 1 ||
        settings.rateHz > 1000)
        return Fail(QStringLiteral("--seconds wants more than 0 up to 600, --rate 1..1000"));
    if (parser.isSet(client))
        return RunFloodClient(parser.value(client).toInt(), settings.rateHz, settings.seconds);

    XInput x;
    if (!x.connected())
        return Fail(QStringLiteral("needs an X display, e.g. under xvfb-run -a"));
    PanelRig rig(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
    QString error;
    if (!rig.start(error))
        return Fail(error);
    const QRect window = x.windowRect(QStringLiteral("Morvix"));
    if (window.isEmpty() &&
        !rig.log().waitFor([&] { return !x.windowRect(QStringLiteral("Morvix")).isEmpty(); },
                           10000))
        return Fail(QStringLiteral("the panel's window did not appear on the X display"));

    FloodResult flood;
    if (!RunFlood(rig, x, settings, flood, error))
        return Fail(error);
    const QJsonObject floodJson = Report(settings, flood);
    SetupFadeResult fade;
    if (!RunSetupFade(rig, x, fade, error))
        return Fail(error);
    const QJsonObject fadeJson = Report(fade);

    if (parser.isSet(json)) {
        QFile out(parser.value(json));
        const QJsonObject all{{QStringLiteral("flood"), floodJson},
                              {QStringLiteral("setup_fade"), fadeJson}};
        if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(all).toJson()) < 0)
            return Fail(QStringLiteral("cannot write %1").arg(out.fileName()));
    }
    return 0;
}
