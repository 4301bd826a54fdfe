#include "ui/view/PanelLook.h"

#include "model/PanelLayout.h"
#include "panel/PanelController.h"
#include "ui/view/PanelColors.h"

namespace {

QRgb ToRgb(ColorRef c) {
    return qRgb(RedOf(c), GreenOf(c), BlueOf(c));
}

} // namespace

PanelLook PanelLook::Of(const PanelController& p) {
    using namespace PanelColors;
    PanelLook look;
    const ChannelModel& channels = p.Channels();
    const PanelPalette colors = p.Session().Settings().Colors();
    const OperatorInput& input = p.Input();
    for (int i = 0; i < CHANNEL_COUNT; ++i) {
        RowLook& row = look.rows[static_cast<std::size_t>(i)];
        const bool on = channels.On(i);
        const bool selected = i == channels.Selected();
        row.level = channels.Level(i);
        row.on = on;
        row.switchHover = p.Hover().switchRow == i;
        row.plusHover = p.Hover().plusRow == i;
        row.minusHover = p.Hover().minusRow == i;
        row.trackColor = on ? ToRgb(colors.slideRight) : kDarkGrey;
        row.fillColor = on ? ToRgb(colors.slideLeft) : 0;
        row.labelColor = on ? ToRgb(colors.channel) : kSilver;
        if (selected && input.Typing()) {
            // The number being typed blinks with the watchdog.
            row.numberShown = p.Session().Link().Supervision().blinkPhase == 1;
            row.number = row.numberShown ? input.TypedValue() : 0;
        } else {
            row.number = row.level;
        }
        row.numberColor = !on ? kMidGrey : selected ? kRed : kBlack;
    }
    look.bar.tx = p.Session().Link().Supervision().txFlag != 0;
    look.bar.rx = p.Session().Link().Supervision().rxFlag != 0;
    look.bar.link = !p.Session().PortOpen()                          ? LinkLamp::PortClosed
                    : p.Session().Link().Supervision().linkLost != 0 ? LinkLamp::Lost
                                                                     : LinkLamp::Alive;
    look.bar.portName = p.Session().Settings().PortName();
    look.bar.hoverButton = static_cast<int>(p.Hover().button);
    return look;
}

namespace {

// Whether what the part shows is the same in both looks. The bar counts without its lamps, each
// lamp only as itself.
bool SameInPart(int part, const PanelLook& a, const PanelLook& b) {
    using namespace PanelArea;
    if (part < kBar)
        return a.rows[static_cast<std::size_t>(part)] == b.rows[static_cast<std::size_t>(part)];
    switch (part - kFirstLamp) {
    case 0:
        return a.bar.tx == b.bar.tx;
    case 1:
        return a.bar.rx == b.bar.rx;
    case 2:
        return a.bar.link == b.bar.link;
    default: {
        BarLook withoutLamps = a.bar;
        withoutLamps.tx = b.bar.tx;
        withoutLamps.rx = b.bar.rx;
        withoutLamps.link = b.bar.link;
        return withoutLamps == b.bar;
    }
    }
}

// Takes over from the look what the part shows.
void TakePart(int part, PanelLook& shown, const PanelLook& look) {
    using namespace PanelArea;
    if (part < kBar) {
        shown.rows[static_cast<std::size_t>(part)] = look.rows[static_cast<std::size_t>(part)];
        return;
    }
    switch (part - kFirstLamp) {
    case 0:
        shown.bar.tx = look.bar.tx;
        break;
    case 1:
        shown.bar.rx = look.bar.rx;
        break;
    case 2:
        shown.bar.link = look.bar.link;
        break;
    default: {
        const BarLook lamps = shown.bar;
        shown.bar = look.bar;
        shown.bar.tx = lamps.tx;
        shown.bar.rx = lamps.rx;
        shown.bar.link = lamps.link;
        break;
    }
    }
}

} // namespace

QRect PanelArea::PartRect(int part) {
    using namespace PanelLayout;
    const int width = kCanvas.width();
    // The lamp with its frame, which never changes: at a fractional pixel ratio the lamp's edge
    // may round into it.
    if (part >= kFirstLamp)
        return LampFrame(part - kFirstLamp);
    if (part == kBar)
        return QRect(0, kBarPartTop, width, kCanvas.height() - kBarPartTop);
    // The parts tile the whole canvas, so the first row also takes the white strip above it.
    const int top = part == 0 ? 0 : kPartTop + kRowPitch * part;
    return QRect(0, top, width, kPartTop + kRowPitch * (part + 1) - top);
}

QRegion ShownPanel::OutdatedRegion(const PanelLook& look, const QRect& visible) const {
    QRegion outdated;
    for (int part = 0; part < PanelArea::kParts; ++part) {
        const QRect rect = PanelArea::PartRect(part) & visible;
        if (rect.isEmpty())
            continue;
        if (!m_known[static_cast<std::size_t>(part)] || !SameInPart(part, look, m_look))
            outdated += rect;
    }
    return outdated;
}

void ShownPanel::Painted(const PanelLook& look, const QRegion& painted, const QRect& visible) {
    for (int part = 0; part < PanelArea::kParts; ++part) {
        const QRect rect = PanelArea::PartRect(part) & visible;
        // Only a part painted in full shows the new look; the rest keeps what it had.
        if (QRegion(rect).subtracted(painted).isEmpty()) {
            m_known[static_cast<std::size_t>(part)] = true;
            TakePart(part, m_look, look);
        }
    }
}

void ShownPanel::Forget(const QRegion& region) {
    for (int part = 0; part < PanelArea::kParts; ++part)
        if (region.intersects(PanelArea::PartRect(part)))
            m_known[static_cast<std::size_t>(part)] = false;
}
