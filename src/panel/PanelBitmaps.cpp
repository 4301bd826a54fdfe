#include "panel/PanelBitmaps.h"

#include <QString>

QImage PanelBitmaps::Load(int resourceId) {
    return QImage(QStringLiteral(":/bitmaps/%1.png").arg(resourceId));
}

const PanelBitmaps& PanelBitmaps::Get() {
    static const PanelBitmaps bitmaps = [] {
        const auto load = [](int id) { return Load(id).convertToFormat(QImage::Format_RGB32); };
        return PanelBitmaps{load(147), load(149), load(150), load(151), load(152)};
    }();
    return bitmaps;
}
