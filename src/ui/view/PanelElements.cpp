#include "ui/view/PanelElements.h"

#include "ui/view/PanelBitmaps.h"
#include "ui/view/PanelColors.h"
#include "ui/view/PanelFonts.h"

#include <QFontMetrics>
#include <QPainter>
#include <array>

namespace PanelElements {
namespace {

using namespace PanelColors;

constexpr std::array<int, 6> kTickX = {249, 299, 349, 399, 449, 504};
constexpr std::array<int, 6> kTickValue = {0, 50, 100, 150, 200, 255};

} // namespace

void DrawText(QPainter& p, const QFont& font, Align align, int x, int y, const QString& text,
              QRgb colour) {
    const QFontMetrics metrics(font);
    int left = x;
    if (align != Align::Left) {
        const int width = metrics.horizontalAdvance(text);
        left = align == Align::Centre ? x - width / 2 : x - width;
    }
    p.setFont(font);
    p.setPen(QColor::fromRgb(colour));
    p.drawText(QPoint(left, y + metrics.ascent()), text);
}

void DrawRowBackground(QPainter& p, int row) {
    p.fillRect(10, RowY(row) - 10, 505, 40, QColor::fromRgb(kSilver));
}

QRect SwitchBoxRect(int row) {
    return QRect(110, RowY(row) - 5, 50, 30);
}

void DrawSwitchBox(QPainter& p, int row, const RowLook& look) {
    p.fillRect(SwitchBoxRect(row), QColor::fromRgb(look.on ? kAmber : kWhite));
    if (look.switchHover)
        p.fillRect(SwitchBoxRect(row), QColor::fromRgb(kYellow));
}

void DrawStepButtons(QPainter& p, int row, const RowLook& look, const PanelBitmaps& bitmaps) {
    const int y = RowY(row);
    p.drawImage(180, y - 6, look.plusHover ? bitmaps.plusHover : bitmaps.plus);
    p.drawImage(180, y + 14, look.minusHover ? bitmaps.minusHover : bitmaps.minus);
}

QRect SliderArea(int row) {
    return QRect(246, RowY(row), 263, 20);
}

void DrawSlider(QPainter& p, int row, const RowLook& look) {
    const int y = RowY(row);
    const int level = look.level;
    p.fillRect(250, y, 255, 20, QColor::fromRgb(look.trackColor));
    p.fillRect(246 + level, y, 8, 20, QColor::fromRgb(kWhite));
    p.fillRect(249 + level, y, 1, 5, QColor::fromRgb(kBlack));
    // Levels up to 4 leave no room left of the knob.
    if (look.on && level - 4 > 0)
        p.fillRect(250, y, level - 4, 20, QColor::fromRgb(look.fillColor));
}

void DrawLabelBox(QPainter& p, int row) {
    p.fillRect(15, RowY(row) - 5, 90, 30, QColor::fromRgb(kWhite));
}

QRect LabelArea(int row) {
    return QRect(10, RowY(row) - 10, 100, 40);
}

void DrawScaleTicks(QPainter& p, int row) {
    for (int x : kTickX)
        p.fillRect(x, RowY(row), 1, 5, QColor::fromRgb(kBlack));
}

void DrawScaleNumbers(QPainter& p, int row, const QFont& small) {
    for (std::size_t k = 0; k < kTickX.size(); ++k)
        DrawText(p, small, Align::Centre, kTickX[k], RowY(row) - 11, QString::number(kTickValue[k]),
                 kBlack);
}

void DrawChannelLabel(QPainter& p, int row, const RowLook& look, const QFont& label) {
    DrawText(p, label, Align::Right, 95, RowY(row) - 10, QStringLiteral("%1CH").arg(row + 1),
             look.labelColor);
}

void DrawSwitchText(QPainter& p, int row, const RowLook& look, const QFont& medium) {
    DrawText(p, medium, Align::Centre, 135, RowY(row),
             look.on ? QStringLiteral("ON") : QStringLiteral("OFF"), look.on ? kRed : kMidGrey);
}

// Between the step buttons (up to x 193) and the knob at level 0 (from x 246).
QRect LevelNumberArea(int row) {
    return QRect(194, RowY(row), 52, 20);
}

void DrawLevelNumber(QPainter& p, int row, const RowLook& look, const QFont& medium) {
    if (look.numberShown)
        DrawText(p, medium, Align::Right, 240, RowY(row), QString::number(look.number),
                 look.numberColor);
}

void DrawBar(QPainter& p) {
    p.fillRect(10, 380, 505, 60, QColor::fromRgb(kMidGrey));
}

void DrawBrand(QPainter& p, const QFont& brand) {
    const QString text = QStringLiteral("Q&V");
    DrawText(p, brand, Align::Left, 375, 385, text, kDarkGrey);
    DrawText(p, brand, Align::Left, 372, 382, text, kBlue);
}

void DrawLampLabels(QPainter& p, const BarLook& look, const QFont& small) {
    DrawText(p, small, Align::Left, 30, 390, QStringLiteral("TX"), kBlue);
    DrawText(p, small, Align::Left, 30, 405, QStringLiteral("RX"), kBlue);
    DrawText(p, small, Align::Left, 30, 420, look.portName, kBlue);
}

void DrawLampFrames(QPainter& p) {
    for (int y : {390, 405, 420})
        p.fillRect(15, y, 10, 10, QColor::fromRgb(kWhite));
}

void DrawLamps(QPainter& p, const BarLook& look) {
    p.fillRect(17, 392, 6, 6, QColor::fromRgb(look.tx ? kRed : kDarkGrey));
    p.fillRect(17, 407, 6, 6, QColor::fromRgb(look.rx ? kRed : kDarkGrey));
    const QRgb link = look.link == LinkLamp::PortClosed ? kDarkGrey
                      : look.link == LinkLamp::Lost     ? kRed
                                                        : kGreen;
    p.fillRect(17, 422, 6, 6, QColor::fromRgb(link));
}

QRect SetupButtonRect() {
    return QRect(80, 390, 120, 40);
}
QRect ExitButtonRect() {
    return QRect(210, 390, 120, 40);
}

void DrawSetupButton(QPainter& p, const BarLook& look) {
    p.fillRect(SetupButtonRect(), QColor::fromRgb(look.hoverButton == 1 ? kYellow : kAmber));
}

void DrawExitButton(QPainter& p, const BarLook& look) {
    p.fillRect(ExitButtonRect(), QColor::fromRgb(look.hoverButton == 2 ? kYellow : kAmber));
}

void DrawSetupCaption(QPainter& p, const QFont& caption) {
    DrawText(p, caption, Align::Left, 100, 392, QStringLiteral("SETUP"), kBlue);
}

void DrawExitCaption(QPainter& p, const QFont& caption) {
    DrawText(p, caption, Align::Left, 240, 392, QStringLiteral("EXIT"), kBlue);
}

QRect DevicePixels(const QRect& area, double ratio) {
    const int left = qRound(area.x() * ratio);
    const int top = qRound(area.y() * ratio);
    return QRect(left, top, qRound((area.x() + area.width()) * ratio) - left,
                 qRound((area.y() + area.height()) * ratio) - top);
}

QImage RenderUncached(const PanelLook& look, double ratio) {
    const PanelBitmaps& bitmaps = PanelBitmaps::At(ratio);
    QImage canvas = bitmaps.background.copy();
    const QFont small = CreatePanelFont(PanelFont::Small);
    const QFont medium = CreatePanelFont(PanelFont::Medium);
    const QFont caption = CreatePanelFont(PanelFont::Caption);
    const QFont label = CreatePanelFont(PanelFont::Label);
    const QFont brand = CreatePanelFont(PanelFont::Brand);

    QPainter p(&canvas);
    for (int i = 0; i < CHANNEL_COUNT; ++i) {
        const RowLook& row = look.rows[static_cast<std::size_t>(i)];
        DrawRowBackground(p, i);
        DrawSwitchBox(p, i, row);
        DrawStepButtons(p, i, row, bitmaps);
        DrawSlider(p, i, row);
        DrawLabelBox(p, i);
        DrawScaleTicks(p, i);
        DrawScaleNumbers(p, i, small);
        DrawChannelLabel(p, i, row, label);
        DrawSwitchText(p, i, row, medium);
        DrawLevelNumber(p, i, row, medium);
    }
    DrawBar(p);
    DrawBrand(p, brand);
    DrawLampLabels(p, look.bar, small);
    DrawLampFrames(p);
    DrawLamps(p, look.bar);
    DrawSetupButton(p, look.bar);
    DrawExitButton(p, look.bar);
    DrawSetupCaption(p, caption);
    DrawExitCaption(p, caption);
    p.end();
    return canvas;
}

} // namespace PanelElements
