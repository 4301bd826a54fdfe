#include "FloodRun.h"

#include "FloodClient.h"
#include "PanelRig.h"
#include "XInput.h"

#include <QCoreApplication>
#include <memory>
#include <random>
#include <vector>

namespace {

bool IsKeyFrame(const DeviceFrame& f) {
    return f.set && f.channel == 1 && f.level % 2 == 1;
}

// Presses the arrow key until it reaches the device a few times: the first presses load the
// keymap, and a panel that never gets the keys is found here, not in the figures.
bool WarmUpKey(PanelRig& rig, XInput& x, QString& error) {
    for (int i = 0; i < 5; ++i) {
        const std::size_t before = rig.log().frames().size();
        x.pressRight();
        if (!rig.log().waitFor(
                [&] {
                    const auto& frames = rig.log().frames();
                    for (std::size_t f = before; f < frames.size(); ++f)
                        if (frames[f].set && frames[f].channel == 1)
                            return true;
                    return false;
                },
                3000)) {
            error = QStringLiteral("an arrow key pressed on the panel's window reached no device");
            return false;
        }
    }
    return true;
}

bool ReadClient(QProcess& client, std::vector<SentValue>& sent, int& refused) {
    while (client.canReadLine()) {
        long long t = 0;
        int level = 0, ok = 0;
        if (std::sscanf(client.readLine().constData(), "%lld %d %d", &t, &level, &ok) != 3)
            return false;
        sent.push_back({t, level});
        refused += ok ? 0 : 1;
    }
    return true;
}

} // namespace

bool RunFlood(PanelRig& rig, XInput& x, const FloodSettings& s, FloodResult& r, QString& error) {
    const QRect panel = x.windowRect(QStringLiteral("Morvix"));
    if (panel.isEmpty()) {
        error = QStringLiteral("the panel's window is not on the X display");
        return false;
    }
    // Right of the channel rows: over the panel, away from its buttons and sliders.
    x.movePointer(panel.right() - 5, panel.top() + 150);
    if (!WarmUpKey(rig, x, error))
        return false;

    std::vector<std::unique_ptr<QProcess>> clients;
    for (int c = 1; c <= s.clients; ++c) {
        clients.push_back(std::make_unique<QProcess>());
        clients.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        PanelRig::startChild(*clients.back(), QCoreApplication::applicationFilePath(),
                             {QStringLiteral("--client"), QString::number(c),
                              QStringLiteral("--rate"), QString::number(s.rateHz),
                              QStringLiteral("--seconds"), QString::number(s.seconds)});
    }
    const auto stopAll = [&] {
        for (auto& c : clients)
            PanelRig::stopChild(*c);
    };
    for (auto& c : clients) {
        if (!c->waitForReadyRead(10000) || c->readLine().trimmed() != "ready") {
            error = QStringLiteral("a flood client did not connect to the bus");
            stopAll();
            return false;
        }
    }

    const std::int64_t startUs = MonotonicUs() + 200'000;
    const std::int64_t endUs = startUs + std::int64_t(s.seconds * 1e6);
    for (auto& c : clients)
        c->write(QByteArray("go ") + QByteArray::number(qint64(startUs)) + '\n');
    for (auto& c : clients)
        c->waitForBytesWritten(1000);

    SleepUs(startUs - MonotonicUs());
    const double cpuBefore = CpuSeconds(rig.panelPid());
    // Presses at random moments within each interval; the last well before the clients' last
    // values, which must end the flood.
    std::mt19937 random(0x5EED);
    std::uniform_int_distribution<std::int64_t> jitter(0, s.keyIntervalMs * 500);
    std::vector<std::int64_t> presses;
    for (std::int64_t slot = startUs + 50'000; slot + s.keyIntervalMs * 1000 < endUs - 300'000;
         slot += s.keyIntervalMs * 1000) {
        SleepUs(slot + jitter(random) - MonotonicUs());
        presses.push_back(MonotonicUs());
        x.pressRight();
    }
    SleepUs(endUs - MonotonicUs());
    const double cpuAfter = CpuSeconds(rig.panelPid());
    r.panelCpuShare = (cpuAfter - cpuBefore) / (double(MonotonicUs() - startUs) / 1e6);

    std::vector<std::vector<SentValue>> sent(std::size_t(s.clients));
    for (int c = 0; c < s.clients; ++c) {
        QProcess& client = *clients[std::size_t(c)];
        if (!client.waitForFinished(int(s.seconds * 1000) + 60000) || client.exitCode() != 0 ||
            !ReadClient(client, sent[std::size_t(c)], r.refused)) {
            error = QStringLiteral("flood client %1 failed").arg(c + 1);
            stopAll();
            return false;
        }
        r.sent += int(sent[std::size_t(c)].size());
    }
    if (!rig.log().waitForQuietLine(500, 30000)) {
        error = QStringLiteral("the line did not go quiet within 30 s of the flood's end");
        return false;
    }

    std::vector<DeviceFrame> flood, keyFrames;
    std::vector<std::vector<DeviceFrame>> perChannel(8);
    for (const DeviceFrame& f : rig.log().frames()) {
        if (f.tUs < startUs)
            continue;
        flood.push_back(f);
        if (IsKeyFrame(f))
            keyFrames.push_back(f);
        else if (f.set && f.channel >= 1 && f.channel <= 8)
            perChannel[std::size_t(f.channel - 1)].push_back(f);
        if (f.set && f.channel >= 1 && f.channel <= 8)
            r.lastOnWire[std::size_t(f.channel - 1)] = f.level;
    }
    r.mostFramesIn100ms = MostFramesInWindow(flood, 100'000);

    std::vector<double> newest, each, late;
    const std::int64_t periodUs = 1'000'000 / s.rateHz;
    for (int c = 0; c < s.clients; ++c) {
        const auto& values = sent[std::size_t(c)];
        for (std::size_t i = 0; i < values.size(); ++i)
            late.push_back(double(values[i].tUs - startUs - std::int64_t(i) * periodUs) / 1000.0);
        if (!values.empty())
            r.lastSent[std::size_t(c)] = values.back().level;
        const ClientOutcome o = MatchClient(values, perChannel[std::size_t(c)]);
        newest.insert(newest.end(), o.newestToWireMs.begin(), o.newestToWireMs.end());
        each.insert(each.end(), o.eachToWireMs.begin(), o.eachToWireMs.end());
        r.reached += o.reached;
        r.strayFrames += o.strayFrames;
        r.neverCovered += o.neverCovered;
    }
    r.newestToWireMs = Summarize(newest);
    r.eachToWireMs = Summarize(each);
    r.clientLateMs = Summarize(late);
    r.keys = MatchKeys(presses, keyFrames);
    r.keyToWireMs = Summarize(r.keys.toWireMs);
    return true;
}
