#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <vector>

// A QR code's modules, row by row; empty when the text does not fit in one.
struct QrMatrix {
    int size = 0;
    std::vector<bool> dark;

    bool Dark(int x, int y) const { return dark[static_cast<size_t>(y) * size + x]; }
    bool Empty() const { return size == 0; }
};

// Error correction M: a phone reads it off a screen with glare or a smudge, and a link of
// ~60 characters still fits in a small version.
QrMatrix EncodeQr(const QByteArray& text);

// Black modules of `scale` pixels on white, with the four-module quiet zone readers need.
QImage QrImage(const QrMatrix& matrix, int scale);
constexpr int kQrQuietModules = 4;
