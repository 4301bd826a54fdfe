// The cost of one full panel paint: the straightforward painter (new fonts, every element drawn)
// against the cached one, over the same changing looks.
//   QT_QPA_PLATFORM=offscreen panel_paint_bench [--save-png=panel.png] [benchmark flags]
#include "panel/PanelColors.h"
#include "panel/PanelElements.h"
#include "panel/PanelRenderer.h"

#include <QGuiApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <cstdio>
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

void BM_PaintUncached(benchmark::State& state) {
    const auto& looks = SharedLooks();
    std::size_t i = 0;
    for (auto _ : state) {
        QImage image = PanelElements::RenderUncached(looks[i++ % looks.size()]);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_PaintCached(benchmark::State& state) {
    const auto& looks = SharedLooks();
    PanelRenderer renderer;
    std::size_t i = 0;
    for (auto _ : state) {
        const QImage& image = renderer.Render(looks[i++ % looks.size()]);
        benchmark::DoNotOptimize(image.constBits());
    }
}

BENCHMARK(BM_PaintUncached)->Unit(benchmark::kMicrosecond)->Repetitions(9);
BENCHMARK(BM_PaintCached)->Unit(benchmark::kMicrosecond)->Repetitions(9);

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

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--save-png=", 11) == 0) {
            PanelRenderer renderer;
            const QImage& image = renderer.Render(SharedLooks()[100]);
            return image.save(QString::fromLocal8Bit(argv[i] + 11)) ? 0 : 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double uncached = reporter.medians["BM_PaintUncached"];
    const double cached = reporter.medians["BM_PaintCached"];
    if (uncached > 0 && cached > 0)
        std::printf("median per paint: straightforward %.1f us, cached %.1f us, speed-up %.1fx\n",
                    uncached, cached, uncached / cached);
    benchmark::Shutdown();
    return 0;
}
