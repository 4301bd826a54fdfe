#include "panel/PanelRenderer.h"

#include "panel/PanelBitmaps.h"
#include "panel/PanelColors.h"
#include "panel/PanelController.h"
#include "panel/PanelElements.h"
#include "panel/PanelFonts.h"

#include <QPainter>

using namespace PanelElements;

namespace {

// Patches are small (at most 120 x 40); this bounds their memory to a few megabytes even after
// every level has been shown in every colour on every row.
constexpr int kMaxPatches = 2048;

enum PatchKind : quint64 { kSwitchPatch = 1, kLabelPatch, kNumberPatch, kSetupPatch, kExitPatch };

quint64 Key(PatchKind kind, int row, quint64 a, quint64 b = 0) {
    return (static_cast<quint64>(kind) << 60) | (static_cast<quint64>(row) << 56) |
           ((a & 0xFFFFFFu) << 32) | (b & 0xFFFFFFFFu);
}

bool LevelsInRange(const PanelLook& look) {
    for (const RowLook& row : look.rows)
        if (row.level < 0 || row.level > 255)
            return false;
    return true;
}

} // namespace

PanelRenderer::PanelRenderer()
    : m_bitmaps(PanelBitmaps::Get()), m_fonts{CreatePanelFont(PanelFont::Small),
                                              CreatePanelFont(PanelFont::Medium),
                                              CreatePanelFont(PanelFont::Caption),
                                              CreatePanelFont(PanelFont::Label),
                                              CreatePanelFont(PanelFont::Brand)} {}

PanelRenderer::~PanelRenderer() = default;

const QImage& PanelRenderer::Render(const PanelController& panel) {
    return Render(PanelLook::Of(panel));
}

void PanelRenderer::BuildBase(const QString& portName) {
    m_base = m_bitmaps.background.copy();
    QPainter p(&m_base);
    for (int i = 0; i < CHANNEL_COUNT; ++i) {
        DrawRowBackground(p, i);
        DrawScaleNumbers(p, i, m_fonts.small);
    }
    DrawBar(p);
    DrawBrand(p, m_fonts.brand);
    BarLook bar;
    bar.portName = portName;
    DrawLampLabels(p, bar, m_fonts.small);
    DrawLampFrames(p);
    p.end();

    m_scratch = m_base.copy();
    m_canvas = m_base.copy();
    m_basePort = portName;
    m_hasBase = true;
    m_canvasOnBase = true;
}

// The patch for the key, painted on first use: the area as it looks on the base after `draw`
// has painted into it at its own place.
const QImage& PanelRenderer::Patch(quint64 key, const QRect& area, auto&& draw) {
    if (auto it = m_patches.constFind(key); it != m_patches.constEnd())
        return *it;
    if (m_patches.size() >= kMaxPatches)
        m_patches.clear();
    QPainter p(&m_scratch);
    draw(p);
    p.end();
    const QImage patch = m_scratch.copy(area);
    QPainter restore(&m_scratch);
    restore.setCompositionMode(QPainter::CompositionMode_Source);
    restore.drawImage(area.topLeft(), m_base, area);
    restore.end();
    return *m_patches.insert(key, patch);
}

void PanelRenderer::RenderRow(QPainter& p, int i, const RowLook& row) {
    const QRect switchBox = SwitchBoxRect(i);
    p.drawImage(switchBox.topLeft(),
                Patch(Key(kSwitchPatch, i, row.on, row.switchHover), switchBox, [&](QPainter& s) {
                    DrawSwitchBox(s, i, row);
                    DrawSwitchText(s, i, row, m_fonts.medium);
                }));
    DrawStepButtons(p, i, row, m_bitmaps);

    const QRect slider = SliderArea(i);
    p.fillRect(slider, QColor::fromRgb(PanelColors::kSilver));
    DrawSlider(p, i, row);
    DrawScaleTicks(p, i);

    const QRect labelArea = LabelArea(i);
    p.drawImage(labelArea.topLeft(),
                Patch(Key(kLabelPatch, i, row.labelColor), labelArea, [&](QPainter& s) {
                    DrawLabelBox(s, i);
                    DrawChannelLabel(s, i, row, m_fonts.label);
                }));

    const QRect numberArea = LevelNumberArea(i);
    if (!row.numberShown) {
        p.drawImage(numberArea.topLeft(), m_base, numberArea);
        return;
    }
    p.drawImage(numberArea.topLeft(),
                Patch(Key(kNumberPatch, i, row.numberColor, static_cast<quint32>(row.number)),
                      numberArea,
                      [&](QPainter& s) { DrawLevelNumber(s, i, row, m_fonts.medium); }));
}

const QImage& PanelRenderer::Render(const PanelLook& look) {
    // Levels outside 0..255 (a hand-edited settings file) put the knob outside the slider's
    // area; such a panel is painted in full.
    if (!LevelsInRange(look)) {
        m_canvas = RenderUncached(look);
        m_canvasOnBase = false;
        return m_canvas;
    }
    if (!m_hasBase || look.bar.portName != m_basePort)
        BuildBase(look.bar.portName);
    if (!m_canvasOnBase) {
        m_canvas = m_base.copy();
        m_canvasOnBase = true;
    }

    QPainter p(&m_canvas);
    for (int i = 0; i < CHANNEL_COUNT; ++i)
        RenderRow(p, i, look.rows[static_cast<std::size_t>(i)]);

    const BarLook& bar = look.bar;
    DrawLamps(p, bar);
    const bool setupHover = bar.hoverButton == 1;
    const bool exitHover = bar.hoverButton == 2;
    p.drawImage(SetupButtonRect().topLeft(),
                Patch(Key(kSetupPatch, 0, setupHover), SetupButtonRect(), [&](QPainter& s) {
                    DrawSetupButton(s, bar);
                    DrawSetupCaption(s, m_fonts.caption);
                }));
    p.drawImage(ExitButtonRect().topLeft(),
                Patch(Key(kExitPatch, 0, exitHover), ExitButtonRect(), [&](QPainter& s) {
                    DrawExitButton(s, bar);
                    DrawExitCaption(s, m_fonts.caption);
                }));
    return m_canvas;
}
