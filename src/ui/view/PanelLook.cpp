#include "ui/view/PanelLook.h"

#include "panel/PanelController.h"
#include "panel/PanelLayout.h"
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
    const PanelPalette colors = p.Settings().Colors();
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
            row.numberShown = p.Link().Supervision().blinkPhase == 1;
            row.number = row.numberShown ? input.TypedValue() : 0;
        } else {
            row.number = row.level;
        }
        row.numberColor = !on ? kMidGrey : selected ? kRed : kBlack;
    }
    look.bar.tx = p.Link().Supervision().txFlag != 0;
    look.bar.rx = p.Link().Supervision().rxFlag != 0;
    look.bar.link = !p.PortOpen()                          ? LinkLamp::PortClosed
                    : p.Link().Supervision().linkLost != 0 ? LinkLamp::Lost
                                                           : LinkLamp::Alive;
    look.bar.portName = p.Settings().PortName();
    look.bar.hoverButton = static_cast<int>(p.Hover().button);
    return look;
}

QRect PanelArea::PartRect(int part) {
    using namespace PanelLayout;
    const int width = kCanvas.width();
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
        const bool same = part == PanelArea::kBar ? look.bar == m_look.bar
                                                  : look.rows[static_cast<std::size_t>(part)] ==
                                                        m_look.rows[static_cast<std::size_t>(part)];
        if (!m_known[static_cast<std::size_t>(part)] || !same)
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
            if (part == PanelArea::kBar)
                m_look.bar = look.bar;
            else
                m_look.rows[static_cast<std::size_t>(part)] =
                    look.rows[static_cast<std::size_t>(part)];
        }
    }
}

void ShownPanel::Forget(const QRegion& region) {
    for (int part = 0; part < PanelArea::kParts; ++part)
        if (region.intersects(PanelArea::PartRect(part)))
            m_known[static_cast<std::size_t>(part)] = false;
}
