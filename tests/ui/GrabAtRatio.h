#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

// The widget as a screen with `ratio` device pixels to the pixel shows it.
inline QImage GrabAtRatio(QWidget* widget, double ratio) {
    if (ratio == 1.0)
        return widget->grab().toImage();
    QImage image(widget->size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::magenta);
    widget->render(&image);
    return image;
}

// The colour of the widget pixel at `at`: the name of the colour all its device pixels share, or
// "split" when they differ.
inline QString PixelName(const QImage& image, QPoint at) {
    const int ratio = qRound(image.devicePixelRatio());
    const QRgb first = image.pixel(at * ratio);
    for (int y = 0; y < ratio; ++y)
        for (int x = 0; x < ratio; ++x)
            if (image.pixel(at * ratio + QPoint(x, y)) != first)
                return QStringLiteral("split");
    return QColor(first).name();
}
