#include "ui/view/PanelBitmaps.h"

#include <QString>
#include <map>
#include <memory>
#include <mutex>

namespace {

// The triangle of a 14 x 14 button image at another size, in the image's own colours.
QImage Redrawn(const QImage& button, bool up, int size) {
    // The tip's row: ink in the middle, ground at the sides.
    const int tip = up ? 0 : 13;
    const QRgb ink = button.pixel(7, tip);
    const QRgb ground = button.pixel(0, tip);
    return PanelBitmaps::Triangle(size, up, ink, ground);
}

PanelBitmaps Scaled(const PanelBitmaps& base, double ratio) {
    const int side = qRound(14 * ratio);
    PanelBitmaps out{base.background
                         .scaled(qRound(base.background.width() * ratio),
                                 qRound(base.background.height() * ratio), Qt::IgnoreAspectRatio,
                                 Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB32),
                     Redrawn(base.plus, true, side), Redrawn(base.minus, false, side),
                     Redrawn(base.plusHover, true, side), Redrawn(base.minusHover, false, side)};
    for (QImage* image : {&out.background, &out.plus, &out.minus, &out.plusHover, &out.minusHover})
        image->setDevicePixelRatio(ratio);
    return out;
}

} // namespace

QImage PanelBitmaps::Load(int resourceId) {
    return QImage(QStringLiteral(":/bitmaps/%1.png").arg(resourceId));
}

QImage PanelBitmaps::Triangle(int size, bool up, QRgb ink, QRgb ground) {
    const int even = size + size % 2;
    QImage image(even, even, QImage::Format_RGB32);
    for (int y = 0; y < even; ++y) {
        const int k = (up ? y : even - 1 - y) / 2;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < even; ++x)
            line[x] = x >= even / 2 - 1 - k && x <= even / 2 + k ? ink : ground;
    }
    if (even == size)
        return image;
    return image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

const PanelBitmaps& PanelBitmaps::Get() {
    static const PanelBitmaps bitmaps = [] {
        const auto load = [](int id) { return Load(id).convertToFormat(QImage::Format_RGB32); };
        return PanelBitmaps{load(147), load(149), load(150), load(151), load(152)};
    }();
    return bitmaps;
}

const PanelBitmaps& PanelBitmaps::At(double ratio) {
    if (ratio == 1.0)
        return Get();
    // A handful of ratios at most (one per kind of screen the window has been on).
    static std::mutex mutex;
    static std::map<double, std::unique_ptr<const PanelBitmaps>> byRatio;
    const std::lock_guard lock(mutex);
    auto& entry = byRatio[ratio];
    if (!entry)
        entry = std::make_unique<const PanelBitmaps>(Scaled(Get(), ratio));
    return *entry;
}
