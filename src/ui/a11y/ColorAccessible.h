#pragma once

#include "model/ColorRef.h"

#include <QString>

class CColorPicker;
class CColorPopup;
class QWidget;

// A colour in words: its name in the grid's table if it has one, then its red, green and blue;
// the automatic colour as the Auto box's caption.
QString ColorDescription(ColorRef color, const QString& autoText);

// The text of the label that names a widget: the label whose buddy it is, else the label on its
// line to the left of it; without the trailing colon and mnemonic marks.
QString LabelTextFor(const QWidget* widget);

// Lets screen readers find the colour button's and the popup's interfaces. Idempotent.
void InstallColorAccessibility();
// Tells screen readers the picker's colour changed.
void AnnouncePickerColor(CColorPicker* picker);
// Tells screen readers which cell of the popup is highlighted, or that the grid itself has the
// focus while none is.
void AnnouncePopupFocus(CColorPopup* popup);
