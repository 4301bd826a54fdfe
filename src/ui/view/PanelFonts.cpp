#include "ui/view/PanelFonts.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

namespace {

constexpr int kFontCount = 5;

struct Calibrated {
    int pixelSize;
    int stretch;
};

QFont BaseFont(const PanelFontSpec& spec, int pixelSize, int stretch) {
    QFont font;
    font.setFamilies(FamiliesFor(spec.face));
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Bold);
    font.setStretch(stretch);
    return font;
}

// The average character width of a face in the classic sense: lowercase letters and the space,
// weighted by how often they occur in English text.
double AverageCharWidth(const QFont& font) {
    static constexpr std::array<int, 27> kWeights = {64, 14, 27, 35, 100, 20, 14, 42, 63,
                                                     3,  6,  35, 20, 56,  56, 17, 4,  49,
                                                     56, 71, 31, 10, 18,  3,  18, 2,  166};
    const QFontMetricsF metrics(font);
    double sum = 0;
    for (int i = 0; i < 26; ++i)
        sum += kWeights[static_cast<std::size_t>(i)] * metrics.horizontalAdvance(QChar('a' + i));
    sum += kWeights[26] * metrics.horizontalAdvance(QChar(' '));
    return sum / 1000.0;
}

Calibrated Calibrate(const PanelFontSpec& spec) {
    // Cell height per pixel of em, measured large enough for rounding not to matter.
    constexpr int kProbe = 1000;
    const QFontMetricsF probe(BaseFont(spec, kProbe, 100));
    const double cellPerPixel = (probe.ascent() + probe.descent()) / kProbe;
    const double ideal = spec.cellHeight / cellPerPixel;
    int pixelSize = std::max(1, static_cast<int>(std::lround(ideal)));
    // Prefer a neighbouring size whose whole-pixel cell is exactly the height asked for.
    for (int candidate :
         {static_cast<int>(std::floor(ideal)), static_cast<int>(std::ceil(ideal))}) {
        const QFontMetrics m(BaseFont(spec, std::max(1, candidate), 100));
        if (m.ascent() + m.descent() == spec.cellHeight) {
            pixelSize = std::max(1, candidate);
            break;
        }
    }
    const double natural = AverageCharWidth(BaseFont(spec, pixelSize, 100));
    int stretch =
        natural > 0 ? static_cast<int>(std::lround(100.0 * spec.averageWidth / natural)) : 100;
    stretch = std::clamp(stretch, 50, 200);
    return {pixelSize, stretch};
}

const Calibrated& CalibrationOf(PanelFont font) {
    static std::array<Calibrated, kFontCount> table;
    static std::once_flag once;
    std::call_once(once, [] {
        for (int i = 0; i < kFontCount; ++i)
            table[static_cast<std::size_t>(i)] = Calibrate(SpecOf(static_cast<PanelFont>(i)));
    });
    return table[static_cast<std::size_t>(font)];
}

} // namespace

PanelFontSpec SpecOf(PanelFont font) {
    static const QString arial = QStringLiteral("ARIAL");
    static const QString malgun = QStringLiteral("맑은 고딕");
    switch (font) {
    case PanelFont::Small:
        return {arial, 10, 5};
    case PanelFont::Medium:
        return {arial, 20, 10};
    case PanelFont::Caption:
        return {malgun, 30, 15};
    case PanelFont::Label:
        return {arial, 40, 17};
    case PanelFont::Brand:
        return {malgun, 56, 28};
    }
    return {arial, 10, 5};
}

QFont CreatePanelFont(PanelFont font) {
    const Calibrated& c = CalibrationOf(font);
    return BaseFont(SpecOf(font), c.pixelSize, c.stretch);
}

QStringList FamiliesFor(const QString& face) {
    if (face.compare(QStringLiteral("ARIAL"), Qt::CaseInsensitive) == 0)
        return {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")};
    return {face, QStringLiteral("Malgun Gothic"), QStringLiteral("NanumGothic"),
            QStringLiteral("Noto Sans CJK KR")};
}
