#pragma once

#include "model/ColorRef.h"

#include <QString>
#include <array>

// One colour of the popup grid with its (Korean, UTF-8) name, shown as the cell's tooltip.
struct ColorEntry {
    ColorRef color;
    const char* name;
};

inline constexpr int kColorCount = 40;

// The grid's colours in row-major order; the row number is the cell index.
extern const std::array<ColorEntry, kColorCount> ColorTable;

// The name of cell i as the operator reads it (translated where a translation is loaded).
QString ColorName(int cell);
