#include "ui/view/PanelElements.h"

#include "ui/view/PanelBitmaps.h"
#include "ui/view/PanelColors.h"
#include "ui/view/PanelFonts.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <array>

namespace PanelElements {
namespace {

using namespace PanelColors;
using namespace PanelLayout;

// The scale's ticks stand where the knob's mark is at these levels.
constexpr std::array<int, 6> kTickValue = {kMinLevel, 50, 100, 150, 200, kMaxLevel};

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
    p.fillRect(RowBand(row), QColor::fromRgb(kSilver));
}

void DrawSwitchBox(QPainter& p, int row, const RowLook& look) {
    p.fillRect(SwitchBoxRect(row), QColor::fromRgb(look.on ? kAmber : kWhite));
    if (look.switchHover)
        p.fillRect(SwitchBoxRect(row), QColor::fromRgb(kYellow));
}

void DrawStepButtons(QPainter& p, int row, const RowLook& look, const PanelBitmaps& bitmaps) {
    p.drawImage(PlusButton(row).topLeft(), look.plusHover ? bitmaps.plusHover : bitmaps.plus);
    p.drawImage(MinusButton(row).topLeft(), look.minusHover ? bitmaps.minusHover : bitmaps.minus);
}

void DrawSlider(QPainter& p, int row, const RowLook& look) {
    const int y = RowY(row);
    const int level = look.level;
    p.fillRect(SliderTrack(row), QColor::fromRgb(look.trackColor));
    p.fillRect(kSliderOrigin - kKnobHalf + level, y, kKnobWidth, kSliderHeight,
               QColor::fromRgb(kWhite));
    p.fillRect(QRect(QPoint(MarkX(level), y), kKnobMark), QColor::fromRgb(kBlack));
    // Levels up to half the knob leave no room left of it.
    if (look.on && level - kKnobHalf > 0)
        p.fillRect(kSliderOrigin, y, level - kKnobHalf, kSliderHeight,
                   QColor::fromRgb(look.fillColor));
}

void DrawLabelBox(QPainter& p, int row) {
    p.fillRect(LabelBox(row), QColor::fromRgb(kWhite));
}

void DrawScaleTicks(QPainter& p, int row) {
    for (int value : kTickValue)
        p.fillRect(QRect(QPoint(MarkX(value), RowY(row)), kKnobMark), QColor::fromRgb(kBlack));
}

void DrawScaleNumbers(QPainter& p, int row, const QFont& small) {
    for (int value : kTickValue)
        DrawText(p, small, Align::Centre, MarkX(value), RowY(row) - kScaleNumberRise,
                 QString::number(value), kBlack);
}

void DrawChannelLabel(QPainter& p, int row, const RowLook& look, const QFont& label) {
    DrawText(p, label, Align::Right, kLabelTextRight, LabelArea(row).y(),
             QCoreApplication::translate("PanelElements", "%1CH").arg(row + 1), look.labelColor);
}

void DrawSwitchText(QPainter& p, int row, const RowLook& look, const QFont& medium) {
    DrawText(p, medium, Align::Centre, SwitchBox(row).x() + SwitchBox(row).width() / 2, RowY(row),
             look.on ? QCoreApplication::translate("PanelElements", "ON")
                     : QCoreApplication::translate("PanelElements", "OFF"),
             look.on ? kRed : kMidGrey);
}

void DrawLevelNumber(QPainter& p, int row, const RowLook& look, const QFont& medium) {
    if (look.numberShown)
        DrawText(p, medium, Align::Right, kLevelNumberRight, RowY(row),
                 QString::number(look.number), look.numberColor);
}

void DrawBar(QPainter& p) {
    p.fillRect(kBar, QColor::fromRgb(kMidGrey));
}

void DrawBrand(QPainter& p, const QFont& brand) {
    const QString text = QStringLiteral("Q&V");
    DrawText(p, brand, Align::Left, kBrandShadow.x(), kBrandShadow.y(), text, kDarkGrey);
    DrawText(p, brand, Align::Left, kBrand.x(), kBrand.y(), text, kBlue);
}

void DrawLampLabels(QPainter& p, const BarLook& look, const QFont& small) {
    const QString labels[kLamps] = {QCoreApplication::translate("PanelElements", "TX"),
                                    QCoreApplication::translate("PanelElements", "RX"),
                                    look.portName};
    for (int lamp = 0; lamp < kLamps; ++lamp)
        DrawText(p, small, Align::Left, LampLabel(lamp).x(), LampLabel(lamp).y(), labels[lamp],
                 kBlue);
}

void DrawLampFrames(QPainter& p) {
    for (int lamp = 0; lamp < kLamps; ++lamp)
        p.fillRect(LampFrame(lamp), QColor::fromRgb(kWhite));
}

void DrawLamps(QPainter& p, const BarLook& look) {
    p.fillRect(Lamp(0), QColor::fromRgb(look.tx ? kRed : kDarkGrey));
    p.fillRect(Lamp(1), QColor::fromRgb(look.rx ? kRed : kDarkGrey));
    const QRgb link = look.link == LinkLamp::PortClosed ? kDarkGrey
                      : look.link == LinkLamp::Lost     ? kRed
                                                        : kGreen;
    p.fillRect(Lamp(2), QColor::fromRgb(link));
}

void DrawSetupButton(QPainter& p, const BarLook& look) {
    p.fillRect(SetupButtonRect(), QColor::fromRgb(look.hoverButton == 1 ? kYellow : kAmber));
}

void DrawExitButton(QPainter& p, const BarLook& look) {
    p.fillRect(ExitButtonRect(), QColor::fromRgb(look.hoverButton == 2 ? kYellow : kAmber));
}

void DrawSetupCaption(QPainter& p, const QFont& caption) {
    DrawText(p, caption, Align::Left, kSetupCaption.x(), kSetupCaption.y(),
             QCoreApplication::translate("PanelElements", "SETUP"), kBlue);
}

void DrawExitCaption(QPainter& p, const QFont& caption) {
    DrawText(p, caption, Align::Left, kExitCaption.x(), kExitCaption.y(),
             QCoreApplication::translate("PanelElements", "EXIT"), kBlue);
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
