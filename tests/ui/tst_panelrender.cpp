#include "DevSim.h"
#include "HostedPanel.h"
#include "panel/PanelController.h"
#include "session/DeviceSession.h"
#include "ui/view/CMorvixView.h"
#include "ui/view/PanelBitmaps.h"
#include "ui/view/PanelColors.h"
#include "ui/view/PanelElements.h"
#include "ui/view/PanelFonts.h"
#include "ui/view/PanelRenderer.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>
#include <map>

using namespace PanelColors;
using PanelElements::RowY;

namespace {

constexpr ColorRef kLeftColour = MakeColorRef(0, 0, 255);
constexpr ColorRef kRightColour = MakeColorRef(0, 200, 100);
constexpr ColorRef kLabelColour = MakeColorRef(128, 0, 128);

QRgb Rgb(ColorRef c) {
    return qRgb(RedOf(c), GreenOf(c), BlueOf(c));
}

void SetUpPanel(PanelController& panel) {
    panel.ResetState();
    panel.Session().Settings().SetPortName(QStringLiteral("COM1"));
    panel.Session().Settings().SetColors({kLeftColour, kRightColour, kLabelColour});
    EditChannels(panel, [](ChannelModel& m) {
        for (int i = 0; i < CHANNEL_COUNT; ++i) {
            m.SetPower(i, 1);
            m.SetLevel(i, 100);
        }
    });
}

// Images painted at a device pixel ratio are read in panel pixels: a panel pixel is the block of
// device pixels it covers.
QRect Block(const QImage& image, int x, int y) {
    return PanelElements::DevicePixels(QRect(x, y, 1, 1), image.devicePixelRatio());
}

// Panel pixels of that colour, counted as device pixels over the pixels of one panel pixel.
int CountColour(const QImage& image, const QRect& area, QRgb colour) {
    const double ratio = image.devicePixelRatio();
    const QRect pixels = PanelElements::DevicePixels(area, ratio);
    int n = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            n += (image.pixel(x, y) | 0xFF000000u) == colour;
    return qRound(n / (ratio * ratio));
}

// Panel pixels whose device pixels are not all of one colour: edges drawn at the device's
// resolution, not panel pixels blown up.
int SplitPixels(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRect block = Block(image, x, y);
            const QRgb first = image.pixel(block.topLeft());
            bool split = false;
            for (int by = block.top(); by <= block.bottom() && !split; ++by)
                for (int bx = block.left(); bx <= block.right() && !split; ++bx)
                    split = image.pixel(bx, by) != first;
            n += split;
        }
    }
    return n;
}

// The colour of the whole block, or an impossible colour when the block is not of one colour.
QRgb BlockColour(const QImage& image, int x, int y) {
    const QRect block = Block(image, x, y);
    const QRgb first = image.pixel(block.topLeft()) | 0xFF000000u;
    for (int by = block.top(); by <= block.bottom(); ++by)
        for (int bx = block.left(); bx <= block.right(); ++bx)
            if ((image.pixel(bx, by) | 0xFF000000u) != first)
                return 0x00123456;
    return first;
}

QString Hex(QRgb c) {
    return QString::number(c & 0xFFFFFFu, 16).rightJustified(6, '0');
}

#define COMPARE_PIXEL(image, x, y, colour)                                                         \
    QVERIFY2(BlockColour(image, x, y) == (colour),                                                 \
             qPrintable(QStringLiteral("(%1, %2) is %3, not %4")                                   \
                            .arg(x)                                                                \
                            .arg(y)                                                                \
                            .arg(Hex(BlockColour(image, x, y)), Hex(colour))))

} // namespace

// Pixels of the painted panel at the layout's coordinates (colours and rectangles, not glyphs).
class tst_PanelRender : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void bitmaps_followTheTriangleRule_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QRgb>("ink");
        QTest::addColumn<double>("ratio");
        QTest::newRow("149") << 149 << true << kButtonGrey << 1.0;
        QTest::newRow("150") << 150 << false << kButtonGrey << 1.0;
        QTest::newRow("151") << 151 << true << kButtonCyan << 1.0;
        QTest::newRow("152") << 152 << false << kButtonCyan << 1.0;
        // Drawn afresh with twice the pixels: the staircase is finer, not doubled.
        QTest::newRow("149 at 2") << 149 << true << kButtonGrey << 2.0;
        QTest::newRow("150 at 2") << 150 << false << kButtonGrey << 2.0;
        QTest::newRow("151 at 2") << 151 << true << kButtonCyan << 2.0;
        QTest::newRow("152 at 2") << 152 << false << kButtonCyan << 2.0;
    }
    void bitmaps_followTheTriangleRule() {
        QFETCH(int, id);
        QFETCH(bool, up);
        QFETCH(QRgb, ink);
        QFETCH(double, ratio);
        const PanelBitmaps& scaled = PanelBitmaps::At(ratio);
        const std::map<int, QImage> byId = {{149, scaled.plus},
                                            {150, scaled.minus},
                                            {151, scaled.plusHover},
                                            {152, scaled.minusHover}};
        QImage image = ratio == 1.0 ? PanelBitmaps::Load(id) : byId.at(id);
        const int side = 14 * static_cast<int>(ratio);
        QCOMPARE(image.size(), QSize(side, side));
        if (ratio == 1.0)
            QVERIFY(image.colorCount() <= 16);
        // Tagged with its ratio, so it covers 14 x 14 panel pixels; read here pixel by pixel.
        QCOMPARE(image.devicePixelRatio(), ratio);
        image.setDevicePixelRatio(1);
        for (int y = 0; y < side; ++y) {
            const int k = (up ? y : side - 1 - y) / 2;
            for (int x = 0; x < side; ++x) {
                const bool filled = x >= side / 2 - 1 - k && x <= side / 2 + k;
                COMPARE_PIXEL(image, x, y, filled ? ink : kSilver);
            }
        }
    }

    void background_isWhite800x600() {
        const QImage image = PanelBitmaps::Load(147);
        QCOMPARE(image.size(), QSize(800, 600));
        QVERIFY(image.colorCount() <= 256);
        QCOMPARE(CountColour(image, image.rect(), kWhite), 800 * 600);
    }

    void fonts_haveTheirCellHeights_data() {
        QTest::addColumn<int>("font");
        QTest::newRow("small") << int(PanelFont::Small);
        QTest::newRow("medium") << int(PanelFont::Medium);
        QTest::newRow("caption") << int(PanelFont::Caption);
        QTest::newRow("label") << int(PanelFont::Label);
        QTest::newRow("brand") << int(PanelFont::Brand);
    }
    void fonts_haveTheirCellHeights() {
        QFETCH(int, font);
        const PanelFontSpec spec = SpecOf(static_cast<PanelFont>(font));
        const QFont f = CreatePanelFont(static_cast<PanelFont>(font));
        const QFontMetrics m(f);
        QVERIFY(f.bold());
        // Whole pixels cannot always hit the height; the nearest size is one pixel off at most.
        QVERIFY2(std::abs(m.ascent() + m.descent() - spec.cellHeight) <= 1,
                 qPrintable(QString::number(m.ascent() + m.descent())));
        const double average = m.horizontalAdvance(QStringLiteral("etaoinshrdlu")) / 12.0;
        QVERIFY2(average > 0.7 * spec.averageWidth && average < 1.4 * spec.averageWidth,
                 qPrintable(QString::number(average)));
    }

    // On a screen with two device pixels to the panel's pixel every element keeps its place in
    // panel pixels; rectangles cover whole blocks of device pixels, texts are drawn finer.
    void rowOn_elementsAtTheirRectangles_data() {
        QTest::addColumn<double>("ratio");
        QTest::newRow("1") << 1.0;
        QTest::newRow("2") << 2.0;
    }
    void rowOn_elementsAtTheirRectangles() {
        QFETCH(double, ratio);
        HostedPanel rig(false);
        auto& [host, session, panel] = rig;
        SetUpPanel(panel);
        EditChannels(panel, [&](ChannelModel& m) { m.Select(5); });
        PanelRenderer renderer(ratio);
        const QImage image = renderer.Render(panel);
        QCOMPARE(image.size(), QSize(800, 600) * ratio);
        QCOMPARE(image.devicePixelRatio(), ratio);
        for (int i = 0; i < CHANNEL_COUNT; ++i) {
            const int y = RowY(i);
            COMPARE_PIXEL(image, 10, y - 10, kSilver);  // row background corner
            COMPARE_PIXEL(image, 514, y + 29, kSilver); // and its far corner
            COMPARE_PIXEL(image, 9, y, kWhite);
            COMPARE_PIXEL(image, 515, y, kWhite);
            COMPARE_PIXEL(image, 110, y - 5, kAmber); // switch box, on
            COMPARE_PIXEL(image, 159, y + 24, kAmber);
            COMPARE_PIXEL(image, 15, y - 5, kWhite); // label box
            COMPARE_PIXEL(image, 104, y + 24, kWhite);
            if (ratio == 1.0) {
                COMPARE_PIXEL(image, 186, y - 6, kButtonGrey); // + tip
            } else { // the tip is half a panel pixel wide and high, in the middle
                COMPARE_PIXEL(image, 186, y - 5, kButtonGrey);
                QCOMPARE(CountColour(image, QRect(180, y - 6, 14, 1), kButtonGrey), 1);
            }
            COMPARE_PIXEL(image, 180, y - 6, kSilver);
            COMPARE_PIXEL(image, 180, y + 14, kButtonGrey); // - base
            if (ratio == 1.0)
                COMPARE_PIXEL(image, 187, y + 27, kButtonGrey); // - tip
            else
                QCOMPARE(CountColour(image, QRect(180, y + 27, 14, 1), kButtonGrey), 1);
            COMPARE_PIXEL(image, 250, y + 10, Rgb(kLeftColour)); // left fill
            COMPARE_PIXEL(image, 345, y + 10, Rgb(kLeftColour)); // its last pixel: 250 + L - 5
            COMPARE_PIXEL(image, 346, y + 10, kWhite);           // knob 346..353
            COMPARE_PIXEL(image, 349, y, kBlack);                // knob mark
            COMPARE_PIXEL(image, 349, y + 5, kWhite);
            COMPARE_PIXEL(image, 353, y + 19, kWhite);
            COMPARE_PIXEL(image, 354, y + 10, Rgb(kRightColour)); // track
            COMPARE_PIXEL(image, 504, y + 19, Rgb(kRightColour));
            COMPARE_PIXEL(image, 505, y + 10, kSilver);
            for (int x : {249, 299, 399, 449, 504}) // scale ticks
                COMPARE_PIXEL(image, x, y + 4, kBlack);
            COMPARE_PIXEL(image, 299, y + 5, Rgb(kLeftColour));
            // Texts in their colours: scale numbers, label, "ON", level number.
            QVERIFY(CountColour(image, QRect(240, y - 11, 280, 10), kBlack) > 20);
            QVERIFY(CountColour(image, QRect(15, y - 10, 85, 40), Rgb(kLabelColour)) > 100);
            QVERIFY(CountColour(image, QRect(110, y, 50, 20), kRed) > 20);
            QVERIFY(CountColour(image, QRect(110, y, 50, 20), kMidGrey) == 0);
            const QRgb number = i == 5 ? kRed : kBlack;
            QVERIFY(CountColour(image, PanelElements::LevelNumberArea(i), number) > 20);
            if (ratio > 1) {
                // Glyph edges fall inside panel pixels: scale digits, label, "ON", level number.
                QVERIFY(SplitPixels(image, QRect(240, y - 11, 280, 10)) > 30);
                QVERIFY(SplitPixels(image, QRect(15, y - 10, 85, 40)) > 30);
                QVERIFY(SplitPixels(image, QRect(110, y, 50, 20)) > 10);
                QVERIFY(SplitPixels(image, PanelElements::LevelNumberArea(i)) > 10);
            }
        }
        if (ratio > 1)
            QVERIFY(SplitPixels(image, PanelElements::SetupButtonRect()) > 30);
    }

    void rowOff_isGreyWhateverElseHolds() {
        HostedPanel rig(false);
        auto& [host, session, panel] = rig;
        SetUpPanel(panel);
        EditChannels(panel, [&](ChannelModel& m) {
            m.SetPower(2, 0);
            m.Select(2);
        });
        PanelRenderer renderer;
        const QImage image = renderer.Render(panel);
        const int y = RowY(2);
        COMPARE_PIXEL(image, 112, y - 4, kWhite);     // switch box, off
        COMPARE_PIXEL(image, 250, y + 10, kDarkGrey); // no left fill
        COMPARE_PIXEL(image, 346, y + 10, kWhite);    // the knob stays at its level
        COMPARE_PIXEL(image, 349, y, kBlack);
        COMPARE_PIXEL(image, 400, y + 10, kDarkGrey); // track
        QVERIFY(CountColour(image, QRect(15, y - 10, 85, 40), Rgb(kLabelColour)) == 0);
        QVERIFY(CountColour(image, QRect(15, y - 5, 90, 30), kSilver) > 100); // silver label
        QVERIFY(CountColour(image, QRect(110, y, 50, 20), kMidGrey) > 20);    // "OFF"
        QVERIFY(CountColour(image, QRect(110, y, 50, 20), kRed) == 0);
        // Mid grey even though it is the selected channel.
        QVERIFY(CountColour(image, PanelElements::LevelNumberArea(2), kMidGrey) > 20);
        QVERIFY(CountColour(image, PanelElements::LevelNumberArea(2), kRed) == 0);
    }

    void knobAndFill_atLevel_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("fillPixels");
        QTest::addColumn<double>("ratio");
        QTest::newRow("0") << 0 << 0 << 1.0;
        QTest::newRow("1") << 1 << 0 << 1.0;
        QTest::newRow("4") << 4 << 0 << 1.0;
        QTest::newRow("5") << 5 << 1 << 1.0;
        QTest::newRow("128") << 128 << 124 << 1.0;
        QTest::newRow("255") << 255 << 251 << 1.0;
        QTest::newRow("0 at 2") << 0 << 0 << 2.0;
        QTest::newRow("5 at 2") << 5 << 1 << 2.0;
        QTest::newRow("255 at 2") << 255 << 251 << 2.0;
    }
    void knobAndFill_atLevel() {
        QFETCH(int, level);
        QFETCH(int, fillPixels);
        QFETCH(double, ratio);
        HostedPanel rig(false);
        auto& [host, session, panel] = rig;
        SetUpPanel(panel);
        EditChannels(panel, [&](ChannelModel& m) { m.SetLevel(3, level); });
        PanelRenderer renderer(ratio);
        const QImage image = renderer.Render(panel);
        const int y = RowY(3) + 10;
        // The fill starts at 250; the knob covers 246 + L .. 253 + L; the track runs to 504.
        QCOMPARE(CountColour(image, QRect(240, y, 275, 1), Rgb(kLeftColour)), fillPixels);
        QCOMPARE(CountColour(image, QRect(240, y, 275, 1), kWhite), 8);
        COMPARE_PIXEL(image, 246 + level, y, kWhite);
        COMPARE_PIXEL(image, 253 + level, y, kWhite);
        COMPARE_PIXEL(image, 245 + level, y, level <= 4 ? kSilver : Rgb(kLeftColour));
        COMPARE_PIXEL(image, 254 + level, y, level >= 251 ? kSilver : Rgb(kRightColour));
        COMPARE_PIXEL(image, 249 + level, RowY(3), kBlack);
        if (level == 0)
            COMPARE_PIXEL(image, 246, y, kWhite); // four pixels left of the track
        if (level == 255) {
            COMPARE_PIXEL(image, 508, y, kWhite); // four pixels beyond the track
            COMPARE_PIXEL(image, 509, y, kSilver);
        }
    }

    void hover_highlights() {
        HostedPanel rig(false);
        auto& [host, session, panel] = rig;
        SetUpPanel(panel);
        panel.ShowHover({1, 2, 7, PanelButton::Exit});
        PanelRenderer renderer;
        const QImage image = renderer.Render(panel);
        for (int i = 0; i < CHANNEL_COUNT; ++i) {
            const int y = RowY(i);
            COMPARE_PIXEL(image, 111, y - 4, i == 1 ? kYellow : kAmber);
            COMPARE_PIXEL(image, 186, y - 6, i == 2 ? kButtonCyan : kButtonGrey);
            COMPARE_PIXEL(image, 186, y + 14, i == 7 ? kButtonCyan : kButtonGrey);
        }
        COMPARE_PIXEL(image, 81, 428, kAmber);
        COMPARE_PIXEL(image, 212, 428, kYellow);
        panel.ShowHover({1, 2, 7, PanelButton::Setup});
        const QImage setup = renderer.Render(panel);
        COMPARE_PIXEL(setup, 81, 428, kYellow);
        COMPARE_PIXEL(setup, 212, 428, kAmber);
        QVERIFY(CountColour(setup, QRect(100, 392, 90, 30), kBlue) > 50); // "SETUP"
        QVERIFY(CountColour(setup, QRect(240, 392, 80, 30), kBlue) > 50); // "EXIT"
    }

    void typedNumber_blinksInTheSelectedRow() {
        HostedPanel rig(false);
        auto& [host, session, panel] = rig;
        SetUpPanel(panel);
        EditChannels(panel, [&](ChannelModel& m) { m.Select(4); });
        EditInput(panel, [](OperatorInput& in) { in.EnterDigit(7); });
        PanelRenderer renderer;
        EditLink(panel, [&](LinkSupervision& s) { s.blinkPhase = 0; });
        const QImage hidden = renderer.Render(panel).copy();
        const QRect area = PanelElements::LevelNumberArea(4);
        QCOMPARE(CountColour(hidden, area, kSilver), area.width() * area.height());
        EditLink(panel, [&](LinkSupervision& s) { s.blinkPhase = 1; });
        const QImage shown = renderer.Render(panel).copy();
        QVERIFY(CountColour(shown, area, kRed) > 10);
        // "7" is narrower than "100": the typed value is shown, not the level.
        const QImage level = [&] {
            EditInput(panel, [](OperatorInput& in) { in.ClearTypedEntry(); });
            return renderer.Render(panel).copy();
        }();
        QVERIFY(CountColour(level, area, kRed) > CountColour(shown, area, kRed));
        // Other rows keep their levels whatever the phase.
        QCOMPARE(hidden.copy(PanelElements::LevelNumberArea(3)),
                 shown.copy(PanelElements::LevelNumberArea(3)));
    }

    void lamps_data() {
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("tx");
        QTest::addColumn<int>("rx");
        QTest::addColumn<int>("linkLost");
        QTest::addColumn<QRgb>("link");
        QTest::newRow("closed, all dark") << false << 0 << 0 << 0 << kDarkGrey;
        QTest::newRow("closed, TX lit on a failed send") << false << 1 << 0 << 1 << kDarkGrey;
        QTest::newRow("open and answering") << true << 0 << 1 << 0 << kGreen;
        QTest::newRow("open and lost") << true << 1 << 0 << 1 << kRed;
        QTest::newRow("open, both lit") << true << 1 << 1 << 0 << kGreen;
    }
    void lamps() {
        QFETCH(bool, open);
        QFETCH(int, tx);
        QFETCH(int, rx);
        QFETCH(int, linkLost);
        QFETCH(QRgb, link);
        DevSim sim;
        HostedPanel rig(false);
        auto& [host, session, panel] = rig;
        SetUpPanel(panel);
        if (open) {
            QVERIFY2(sim.start(), qPrintable(sim.errorString()));
            panel.Session().Com().Configure(sim.portPath(), 19200, 8, StopBits::One, Parity::Odd);
            QVERIFY(panel.Session().Com().Open());
        }
        EditLink(panel, [&](LinkSupervision& s) { s.txFlag = tx; });
        EditLink(panel, [&](LinkSupervision& s) { s.rxFlag = rx; });
        EditLink(panel, [&](LinkSupervision& s) { s.linkLost = linkLost; });
        PanelRenderer renderer;
        const QImage image = renderer.Render(panel);
        for (int y : {390, 405, 420}) { // frames
            COMPARE_PIXEL(image, 15, y, kWhite);
            COMPARE_PIXEL(image, 24, y + 9, kWhite);
        }
        COMPARE_PIXEL(image, 17, 392, tx ? kRed : kDarkGrey);
        COMPARE_PIXEL(image, 22, 397, tx ? kRed : kDarkGrey);
        COMPARE_PIXEL(image, 17, 407, rx ? kRed : kDarkGrey);
        COMPARE_PIXEL(image, 17, 422, link);
        COMPARE_PIXEL(image, 22, 427, link);
        COMPARE_PIXEL(image, 10, 380, kMidGrey); // bar
        COMPARE_PIXEL(image, 514, 439, kMidGrey);
        QVERIFY(CountColour(image, QRect(30, 390, 40, 40), kBlue) > 20);       // "TX", "RX", "COM1"
        QVERIFY(CountColour(image, QRect(372, 382, 140, 58), kBlue) > 200);    // brand
        QVERIFY(CountColour(image, QRect(375, 385, 140, 55), kDarkGrey) > 20); // its shadow
        COMPARE_PIXEL(image, 700, 500, kWhite);
    }

    // The cached painter against the straightforward one, over a walk through many looks so a
    // pixel left over from an earlier paint would show.
    void cachedPaint_isPixelIdenticalToUncached_data() {
        QTest::addColumn<double>("ratio");
        QTest::newRow("1") << 1.0;
        QTest::newRow("1.5") << 1.5;
        QTest::newRow("2") << 2.0;
    }
    void cachedPaint_isPixelIdenticalToUncached() {
        QFETCH(double, ratio);
        QRandomGenerator random(1234);
        PanelRenderer renderer(ratio);
        const QStringList ports = {QStringLiteral("COM1"), QStringLiteral("NULL"),
                                   QStringLiteral("/dev/ttyUSB0 with a long name over SETUP")};
        PanelLook look;
        for (int step = 0; step < 300; ++step) {
            const int row = random.bounded(CHANNEL_COUNT);
            RowLook& r = look.rows[static_cast<std::size_t>(row)];
            r.on = random.bounded(2);
            r.level = random.bounded(256);
            r.switchHover = random.bounded(4) == 0;
            r.plusHover = random.bounded(4) == 0;
            r.minusHover = !r.plusHover && random.bounded(4) == 0;
            r.trackColor = r.on ? qRgb(0, random.bounded(3) * 100, 50) : kDarkGrey;
            r.fillColor = r.on ? qRgb(random.bounded(2) * 255, 0, 0) : 0;
            r.labelColor = r.on ? qRgb(0, 0, random.bounded(2) * 200) : kSilver;
            r.numberShown = random.bounded(5) != 0;
            r.number = random.bounded(3) == 0 ? random.bounded(1000) : r.level;
            const QRgb numberColours[] = {kBlack, kRed, kMidGrey};
            r.numberColor = numberColours[random.bounded(3)];
            look.bar.tx = random.bounded(2);
            look.bar.rx = random.bounded(2);
            look.bar.link = static_cast<LinkLamp>(random.bounded(3));
            look.bar.hoverButton = random.bounded(3);
            if (step % 50 == 0)
                look.bar.portName = ports[random.bounded(ports.size())];
            if (step == 150)
                look.rows[2].level = 300; // from a hand-edited file
            if (step == 151)
                look.rows[2].level = 3;
            const QImage expected = PanelElements::RenderUncached(look, ratio);
            const QImage& actual = renderer.Render(look);
            QVERIFY2(actual == expected, qPrintable(QStringLiteral("step %1").arg(step)));
        }
    }

    // A look the canvas showed before comes back after something else covered its place: the
    // patch must be put again, not taken as still there.
    void cachedPaint_aLookComesBack_data() {
        QTest::addColumn<QList<PanelLook>>("looks");
        PanelLook shown;
        for (RowLook& row : shown.rows) {
            row.on = true;
            row.level = row.number = 42;
            row.trackColor = qRgb(0, 100, 50);
            row.fillColor = qRgb(255, 0, 0);
            row.labelColor = qRgb(0, 0, 200);
            row.numberColor = kBlack;
        }
        shown.bar.portName = QStringLiteral("COM1");
        PanelLook hidden = shown;
        hidden.rows[3].numberShown = false;
        PanelLook off = shown;
        off.rows[3].on = false;
        off.rows[3].labelColor = kSilver;
        PanelLook outOfRange = shown;
        outOfRange.rows[2].level = 300;
        PanelLook otherPort = shown;
        otherPort.bar.portName = QStringLiteral("/dev/ttyUSB0");
        PanelLook hover = shown;
        hover.bar.hoverButton = 1;
        hover.rows[5].switchHover = true;
        QTest::newRow("number hidden and shown again") << QList<PanelLook>{shown, hidden, shown};
        QTest::newRow("switch off and on again") << QList<PanelLook>{shown, off, shown};
        QTest::newRow("a level out of range and back")
            << QList<PanelLook>{shown, outOfRange, shown};
        QTest::newRow("another port and back") << QList<PanelLook>{shown, otherPort, shown};
        QTest::newRow("hovered and left") << QList<PanelLook>{shown, hover, shown, hover};
    }
    void cachedPaint_aLookComesBack() {
        QFETCH(QList<PanelLook>, looks);
        PanelRenderer renderer;
        for (qsizetype i = 0; i < looks.size(); ++i)
            QVERIFY2(renderer.Render(looks[i]) == PanelElements::RenderUncached(looks[i]),
                     qPrintable(QStringLiteral("look %1").arg(i)));
    }

    void paintWithoutRedrawPending_drawsNothing() {
        DeviceSession session;
        CMorvixView view(session);
        PanelController& panel = view.Panel();
        SetUpPanel(panel);
        QImage image(view.size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        panel.TakeRedrawPending();
        view.render(&image);
        QCOMPARE(CountColour(image, image.rect(), qRgb(255, 0, 255)),
                 image.width() * image.height());
        QVERIFY(!panel.RedrawPending());

        panel.MarkRedrawPending();
        view.render(&image);
        QVERIFY(!panel.RedrawPending());
        const QImage expected = PanelElements::RenderUncached(PanelLook::Of(panel));
        QCOMPARE(image, expected.copy(view.rect()));
    }
};

QTEST_MAIN(tst_PanelRender)
#include "tst_panelrender.moc"
