// Latency from writing a six-byte frame to the six bytes being readable on the master side of a
// pseudo-terminal: through PanelController::SendCommand(CMD_POLL) and through CCom::Write alone,
// median and 99th percentile over 10,000 frames; and from the device's answer 'u' on the master
// to its hand-over to the port's owner on this thread, which waits out the quiet read window,
// over 1,000 answers. Counters in microseconds.
#include "Pty.h"
#include "QuietHost.h"
#include "device/CCom.h"
#include "panel/PanelController.h"
#include "panel/PanelHost.h"
#include "session/DeviceSession.h"

#include <QCoreApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFrames = 10000;

// Times `once`, which is true when its round trip completed.
void Measure(benchmark::State& state, const std::function<bool()>& once, const char* what) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> latencies;
    latencies.reserve(kFrames);
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!once()) {
            state.SkipWithError("nothing arrived");
            return;
        }
        latencies.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) {
        return latencies[std::min(latencies.size() - 1, std::size_t(q * double(latencies.size())))];
    };
    state.counters["median_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = latencies.back();
    std::printf("%s over %zu: median %.1f us, p99 %.1f us, max %.1f us\n", what, latencies.size(),
                at(0.5), at(0.99), latencies.back());
}

void BM_SendCommandPoll(benchmark::State& state) {
    PtyPair pty;
    QuietHost host;
    DeviceSession panel;
    panel.SetPrompts(&host);
    panel.Com().Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
    if (!panel.Com().Open()) {
        state.SkipWithError("port did not open");
        return;
    }
    Measure(
        state,
        [&] {
            panel.SendCommand(CMD_POLL);
            return pty.readMaster(FRAME_SIZE, 1000).size() == FRAME_SIZE;
        },
        "SendCommand(CMD_POLL) to master");
}

void BM_CComWrite(benchmark::State& state) {
    PtyPair pty;
    CCom com;
    com.Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
    if (!com.Open()) {
        state.SkipWithError("port did not open");
        return;
    }
    static constexpr std::uint8_t kPoll[FRAME_SIZE] = {0x95, 0x01, 0x00, 0x00, 0x00, 0x96};
    Measure(
        state,
        [&] {
            com.Write(kPoll, FRAME_SIZE);
            return pty.readMaster(FRAME_SIZE, 1000).size() == FRAME_SIZE;
        },
        "CCom::Write to master");
}

// The receiver of the port: notes each hand-over.
class HandOverOwner : public QObject {
public:
    bool handed = false;
};

void BM_AnswerToHandOver(benchmark::State& state) {
    PtyPair pty;
    CCom com;
    HandOverOwner owner;
    com.Configure(pty.slavePath(), 19200, 8, StopBits::One, Parity::Odd);
    if (!com.Open()) {
        state.SkipWithError("port did not open");
        return;
    }
    com.SetReceiver(&owner, {.burst = [&owner](const RxBurst&) { owner.handed = true; }});
    Measure(
        state,
        [&] {
            owner.handed = false;
            if (::write(pty.master(), "u", 1) != 1)
                return false;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            while (!owner.handed && std::chrono::steady_clock::now() < deadline)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            return owner.handed;
        },
        "answer to hand-over");
}

} // namespace

BENCHMARK(BM_SendCommandPoll)->Iterations(kFrames)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CComWrite)->Iterations(kFrames)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnswerToHandOver)->Iterations(1000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
