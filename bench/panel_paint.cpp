// The cost of one full panel paint: the straightforward painter (new fonts, every element drawn)
// against the cached one, over the same changing looks, on a plain screen (ratio 1) and on one
// with two device pixels to the panel's pixel (ratio 2).
//   QT_QPA_PLATFORM=offscreen panel_paint_bench [--save-png=panel.png] [--ratio=2]
//   [benchmark flags]
//   QT_QPA_PLATFORM=offscreen panel_paint_bench --samples=N [--ratio=2]   (each paint timed)
#include "ui/view/PanelColors.h"
#include "ui/view/PanelElements.h"
#include "ui/view/PanelRenderer.h"

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// A drag on one row, a blinking typed number, the lamps and the hover moving about.
std::vector<PanelLook> Looks() {
    std::vector<PanelLook> looks;
    for (int step = 0; step < 256; ++step) {
        PanelLook look;
        for (int i = 0; i < CHANNEL_COUNT; ++i) {
            RowLook& row = look.rows[static_cast<std::size_t>(i)];
            row.on = i != 6;
            row.level = i == 2 ? step : 30 * i;
            row.trackColor = row.on ? qRgb(0, 200, 100) : PanelColors::kDarkGrey;
            row.fillColor = row.on ? qRgb(0, 0, 255) : 0;
            row.labelColor = row.on ? qRgb(128, 0, 128) : PanelColors::kSilver;
            row.number = row.level;
            row.numberColor = !row.on  ? PanelColors::kMidGrey
                              : i == 2 ? PanelColors::kRed
                                       : PanelColors::kBlack;
            row.switchHover = step % 8 == i;
            row.plusHover = step % 16 == i;
        }
        look.rows[5].numberShown = step / 15 % 2 == 0;
        look.rows[5].number = 123;
        look.bar.tx = step % 15 < 2;
        look.bar.rx = step % 15 == 1;
        look.bar.link = LinkLamp::Alive;
        look.bar.portName = QStringLiteral("COM1");
        look.bar.hoverButton = step / 64 % 3;
        looks.push_back(look);
    }
    return looks;
}

const std::vector<PanelLook>& SharedLooks() {
    static const std::vector<PanelLook> looks = Looks();
    return looks;
}

void BM_PaintUncached(benchmark::State& state, double ratio) {
    const auto& looks = SharedLooks();
    std::size_t i = 0;
    for (auto _ : state) {
        QImage image = PanelElements::RenderUncached(looks[i++ % looks.size()], ratio);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_PaintCached(benchmark::State& state, double ratio) {
    const auto& looks = SharedLooks();
    PanelRenderer renderer(ratio);
    std::size_t i = 0;
    for (auto _ : state) {
        const QImage& image = renderer.Render(looks[i++ % looks.size()]);
        benchmark::DoNotOptimize(image.constBits());
    }
}

BENCHMARK_CAPTURE(BM_PaintUncached, ratio1, 1.0)->Unit(benchmark::kMicrosecond)->Repetitions(9);
BENCHMARK_CAPTURE(BM_PaintCached, ratio1, 1.0)->Unit(benchmark::kMicrosecond)->Repetitions(9);
BENCHMARK_CAPTURE(BM_PaintUncached, ratio2, 2.0)->Unit(benchmark::kMicrosecond)->Repetitions(9);
BENCHMARK_CAPTURE(BM_PaintCached, ratio2, 2.0)->Unit(benchmark::kMicrosecond)->Repetitions(9);

// Prints the runs as usual and keeps the medians for the speed-up line.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> medians;
};

// Times every paint on its own, both painters alternating over the same looks in one run.
int PrintPercentiles(int samples, double ratio) {
    using Clock = std::chrono::steady_clock;
    const auto& looks = SharedLooks();
    PanelRenderer renderer(ratio);
    std::vector<double> uncached, cached;
    for (int i = 0; i < samples; ++i) {
        const PanelLook& look = looks[static_cast<std::size_t>(i) % looks.size()];
        auto start = Clock::now();
        QImage image = PanelElements::RenderUncached(look, ratio);
        benchmark::DoNotOptimize(image.constBits());
        uncached.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        start = Clock::now();
        benchmark::DoNotOptimize(renderer.Render(look).constBits());
        cached.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    for (auto* series : {&uncached, &cached}) {
        std::sort(series->begin(), series->end());
        const auto at = [&](double q) {
            return (*series)[std::min(series->size() - 1, std::size_t(q * double(series->size())))];
        };
        std::printf("paint %s over %d paints: median %.1f us, p99 %.1f us, max %.1f us\n",
                    series == &cached ? "cached" : "straightforward", samples, at(0.5), at(0.99),
                    series->back());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    double ratio = 1.0;
    const char* png = nullptr;
    int samples = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--save-png=", 11) == 0)
            png = argv[i] + 11;
        else if (std::strncmp(argv[i], "--ratio=", 8) == 0)
            ratio = std::atof(argv[i] + 8);
        else if (std::strncmp(argv[i], "--samples=", 10) == 0)
            samples = std::max(1, std::atoi(argv[i] + 10));
    }
    if (samples > 0)
        return PrintPercentiles(samples, ratio > 0 ? ratio : 1.0);
    if (png) {
        PanelRenderer renderer(ratio > 0 ? ratio : 1.0);
        const QImage& image = renderer.Render(SharedLooks()[100]);
        return image.save(QString::fromLocal8Bit(png)) ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* ratioName : {"ratio1", "ratio2"}) {
        const double uncached = reporter.medians[std::string("BM_PaintUncached/") + ratioName];
        const double cached = reporter.medians[std::string("BM_PaintCached/") + ratioName];
        if (uncached > 0 && cached > 0)
            std::printf("%s, median per paint: straightforward %.1f us, cached %.1f us, "
                        "speed-up %.1fx\n",
                        ratioName, uncached, cached, uncached / cached);
    }
    benchmark::Shutdown();
    return 0;
}
