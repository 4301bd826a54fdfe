#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

// The panel's five fonts, given as the cell height and average character width they are asked
// for; the nearest the installed faces can do is worked out once per process.
enum class PanelFont { Small, Medium, Caption, Label, Brand };

struct PanelFontSpec {
    QString face;
    int cellHeight;
    int averageWidth;
};

PanelFontSpec SpecOf(PanelFont font);

// A new font object for that description: bold, at the pixel size whose ascent + descent comes
// nearest the cell height, stretched so the average character width comes near the one asked for.
QFont CreatePanelFont(PanelFont font);

// The face names the panel asks for, with what stands in for them where they are missing.
QStringList FamiliesFor(const QString& face);
