#pragma once

#include "model/ColorRef.h"

#include <QColor>

// CLR_DEFAULT has no colour of its own; callers decide what "automatic" looks like.
inline QColor ToQColor(ColorRef c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

inline ColorRef FromQColor(const QColor& c) {
    const QColor rgb = c.toRgb();
    return MakeColorRef(rgb.red(), rgb.green(), rgb.blue());
}
