#pragma once

#include "model/ChannelFrame.h"

#include <QRegion>
#include <QString>
#include <QtGui/qrgb.h>
#include <array>

class PanelController;

// What the panel shows, derived from the controller's fields: everything a paint draws and
// nothing else. Two equal looks paint identical pixels.
struct RowLook {
    int level = 0;
    bool on = false;
    bool switchHover = false;
    bool plusHover = false;
    bool minusHover = false;
    QRgb trackColor = 0;
    QRgb fillColor = 0; // only drawn when on
    QRgb labelColor = 0;
    bool numberShown = true;
    int number = 0;
    QRgb numberColor = 0;

    friend bool operator==(const RowLook&, const RowLook&) = default;
};

enum class LinkLamp { PortClosed, Alive, Lost };

struct BarLook {
    bool tx = false;
    bool rx = false;
    LinkLamp link = LinkLamp::PortClosed;
    QString portName;
    int hoverButton = 0;

    friend bool operator==(const BarLook&, const BarLook&) = default;
};

struct PanelLook {
    std::array<RowLook, CHANNEL_COUNT> rows;
    BarLook bar;

    static PanelLook Of(const PanelController& panel);
    friend bool operator==(const PanelLook&, const PanelLook&) = default;
};

// The screen areas the look's parts are painted in: one per channel row, one for the bottom bar,
// and inside the bar one for each lamp, so a lamp that lights or goes out repaints itself only.
namespace PanelArea {
inline constexpr int kBar = CHANNEL_COUNT;
inline constexpr int kFirstLamp = kBar + 1; // TX, RX, link
inline constexpr int kLampParts = 3;
inline constexpr int kParts = kFirstLamp + kLampParts;
QRect PartRect(int part);
} // namespace PanelArea

// Remembers which look each part of the screen shows, so repaints can be limited to what changed.
class ShownPanel {
public:
    // The area whose pixels differ from, or may differ from, this look.
    // Only the visible rectangle of the canvas counts.
    QRegion OutdatedRegion(const PanelLook& look, const QRect& visible) const;
    // The parts whose visible rectangle lies wholly inside the painted region now show the look.
    void Painted(const PanelLook& look, const QRegion& painted, const QRect& visible);
    // The region's content is unknown (a paint that drew nothing).
    void Forget(const QRegion& region);

private:
    PanelLook m_look;
    std::array<bool, PanelArea::kParts> m_known{};
};
