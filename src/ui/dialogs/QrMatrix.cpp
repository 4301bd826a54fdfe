#include "ui/dialogs/QrMatrix.h"

#include <memory>
#include <qrencode.h>

QrMatrix EncodeQr(const QByteArray& text) {
    QrMatrix matrix;
    if (text.isEmpty())
        return matrix;
    // 8-bit mode: the token's letters are case-sensitive, which the alphanumeric mode is not.
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString8bit(text.constData(), 0, QR_ECLEVEL_M), &QRcode_free);
    if (!code)
        return matrix;
    matrix.size = code->width;
    matrix.dark.resize(static_cast<size_t>(code->width) * code->width);
    for (size_t i = 0; i < matrix.dark.size(); ++i)
        matrix.dark[i] = (code->data[i] & 1) != 0;
    return matrix;
}

QImage QrImage(const QrMatrix& matrix, int scale) {
    if (matrix.Empty() || scale < 1)
        return {};
    const int side = (matrix.size + 2 * kQrQuietModules) * scale;
    QImage image(side, side, QImage::Format_Mono);
    image.setColor(0, qRgb(255, 255, 255));
    image.setColor(1, qRgb(0, 0, 0));
    image.fill(0);
    for (int y = 0; y < matrix.size; ++y) {
        for (int x = 0; x < matrix.size; ++x) {
            if (!matrix.Dark(x, y))
                continue;
            const int left = (x + kQrQuietModules) * scale;
            const int top = (y + kQrQuietModules) * scale;
            for (int dy = 0; dy < scale; ++dy)
                for (int dx = 0; dx < scale; ++dx)
                    image.setPixel(left + dx, top + dy, 1);
        }
    }
    return image;
}
