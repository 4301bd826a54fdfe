#include "ui/view/PanelRenderer.h"

#include "panel/PanelController.h"
#include "ui/view/PanelBitmaps.h"
#include "ui/view/PanelColors.h"
#include "ui/view/PanelElements.h"
#include "ui/view/PanelFonts.h"

#include <QPainter>
#include <cstring>

using namespace PanelElements;

namespace {

// Patches are small (at most 120 x 40 panel pixels); this bounds their memory, at any ratio,
// even after every level has been shown in every colour on every row.
constexpr qsizetype kMaxPatchBytes = qsizetype(32) << 20;

enum PatchKind : quint64 { kSwitchPatch = 1, kLabelPatch, kNumberPatch, kSetupPatch, kExitPatch };

quint64 Key(PatchKind kind, int row, quint64 a, quint64 b = 0) {
    return (static_cast<quint64>(kind) << 60) | (static_cast<quint64>(row) << 56) |
           ((a & 0xFFFFFFu) << 32) | (b & 0xFFFFFFFFu);
}

// Where a patch goes: its kind and row.
quint64 PlaceOf(quint64 key) {
    return key >> 56;
}

// Plain copy of a block of device pixels; both images are RGB32. The painter would treat the
// block as panel pixels and might round its edges differently at a fractional ratio.
void CopyPixels(QImage& to, QPoint at, const QImage& from, const QRect& block) {
    const QRect source = block & from.rect() & to.rect().translated(block.topLeft() - at);
    if (source.isEmpty())
        return;
    const QPoint target = at + (source.topLeft() - block.topLeft());
    const auto bytes = static_cast<std::size_t>(source.width()) * sizeof(QRgb);
    for (int y = 0; y < source.height(); ++y)
        std::memcpy(reinterpret_cast<QRgb*>(to.scanLine(target.y() + y)) + target.x(),
                    reinterpret_cast<const QRgb*>(from.constScanLine(source.y() + y)) + source.x(),
                    bytes);
}

bool LevelsInRange(const PanelLook& look) {
    for (const RowLook& row : look.rows)
        if (!IsLevel(row.level))
            return false;
    return true;
}

} // namespace

PanelRenderer::PanelRenderer(double ratio)
    : m_ratio(ratio),
      m_bitmaps(&PanelBitmaps::At(ratio)), m_fonts{CreatePanelFont(PanelFont::Small),
                                                   CreatePanelFont(PanelFont::Medium),
                                                   CreatePanelFont(PanelFont::Caption),
                                                   CreatePanelFont(PanelFont::Label),
                                                   CreatePanelFont(PanelFont::Brand)} {}

PanelRenderer::~PanelRenderer() = default;

void PanelRenderer::SetDevicePixelRatio(double ratio) {
    if (ratio == m_ratio)
        return;
    m_ratio = ratio;
    m_bitmaps = &PanelBitmaps::At(ratio);
    m_patches.clear();
    m_patchBytes = 0;
    m_hasBase = false;
}

const QImage& PanelRenderer::Render(const PanelController& panel) {
    return Render(PanelLook::Of(panel));
}

void PanelRenderer::BuildBase(const QString& portName) {
    m_base = m_bitmaps->background.copy();
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
    ResetCanvas(m_base.copy());
    m_basePort = portName;
    m_hasBase = true;
    m_canvasOnBase = true;
}

// The patch for the key, painted on first use: the area as it looks on the base after `draw`
// has painted into it at its own place.
const QImage& PanelRenderer::Patch(quint64 key, const QRect& area, auto&& draw) {
    if (auto it = m_patches.constFind(key); it != m_patches.constEnd())
        return *it;
    if (m_patchBytes >= kMaxPatchBytes) {
        m_patches.clear();
        m_patchBytes = 0;
    }
    QPainter p(&m_scratch);
    draw(p);
    p.end();
    const QRect pixels = DevicePixels(area, m_ratio);
    const QImage patch = m_scratch.copy(pixels);
    m_patchBytes += patch.sizeInBytes();
    CopyPixels(m_scratch, pixels.topLeft(), m_base, pixels);
    return *m_patches.insert(key, patch);
}

void PanelRenderer::Put(quint64 key, const QRect& area, auto&& draw) {
    const quint64 place = PlaceOf(key);
    if (auto it = m_onCanvas.constFind(place); it != m_onCanvas.constEnd() && *it == key)
        return;
    const QImage& patch = Patch(key, area, draw);
    CopyPixels(m_canvas, DevicePixels(area, m_ratio).topLeft(), patch, patch.rect());
    m_onCanvas.insert(place, key);
}

void PanelRenderer::ResetCanvas(QImage canvas) {
    m_canvas = std::move(canvas);
    m_onCanvas.clear();
}

void PanelRenderer::PutRowPatches(int i, const RowLook& row) {
    const QRect switchBox = SwitchBoxRect(i);
    Put(Key(kSwitchPatch, i, row.on, row.switchHover), switchBox, [&](QPainter& s) {
        DrawSwitchBox(s, i, row);
        DrawSwitchText(s, i, row, m_fonts.medium);
    });

    const QRect labelArea = LabelArea(i);
    Put(Key(kLabelPatch, i, row.labelColor), labelArea, [&](QPainter& s) {
        DrawLabelBox(s, i);
        DrawChannelLabel(s, i, row, m_fonts.label);
    });

    const QRect numberArea = LevelNumberArea(i);
    if (!row.numberShown) {
        const QRect pixels = DevicePixels(numberArea, m_ratio);
        CopyPixels(m_canvas, pixels.topLeft(), m_base, pixels);
        m_onCanvas.remove(PlaceOf(Key(kNumberPatch, i, 0)));
        return;
    }
    Put(Key(kNumberPatch, i, row.numberColor, static_cast<quint32>(row.number)), numberArea,
        [&](QPainter& s) { DrawLevelNumber(s, i, row, m_fonts.medium); });
}

void PanelRenderer::PaintRowLive(QPainter& p, int i, const RowLook& row) {
    DrawStepButtons(p, i, row, *m_bitmaps);
    const QRect slider = SliderArea(i);
    p.fillRect(slider, QColor::fromRgb(PanelColors::kSilver));
    DrawSlider(p, i, row);
    DrawScaleTicks(p, i);
}

const QImage& PanelRenderer::Render(const PanelLook& look) {
    // Levels outside kMinLevel..kMaxLevel (a hand-edited settings file) put the knob outside the
    // slider's area; such a panel is painted in full.
    if (!LevelsInRange(look)) {
        ResetCanvas(RenderUncached(look, m_ratio));
        m_canvasOnBase = false;
        return m_canvas;
    }
    if (!m_hasBase || look.bar.portName != m_basePort)
        BuildBase(look.bar.portName);
    if (!m_canvasOnBase) {
        ResetCanvas(m_base.copy());
        m_canvasOnBase = true;
    }

    // The patches first, as pixel copies, while no painter holds the canvas; they cover areas
    // that nothing painted afterwards touches.
    for (int i = 0; i < CHANNEL_COUNT; ++i)
        PutRowPatches(i, look.rows[static_cast<std::size_t>(i)]);
    const BarLook& bar = look.bar;
    const bool setupHover = bar.hoverButton == 1;
    const bool exitHover = bar.hoverButton == 2;
    Put(Key(kSetupPatch, 0, setupHover), SetupButtonRect(), [&](QPainter& s) {
        DrawSetupButton(s, bar);
        DrawSetupCaption(s, m_fonts.caption);
    });
    Put(Key(kExitPatch, 0, exitHover), ExitButtonRect(), [&](QPainter& s) {
        DrawExitButton(s, bar);
        DrawExitCaption(s, m_fonts.caption);
    });

    QPainter p(&m_canvas);
    for (int i = 0; i < CHANNEL_COUNT; ++i)
        PaintRowLive(p, i, look.rows[static_cast<std::size_t>(i)]);
    DrawLamps(p, bar);
    return m_canvas;
}
