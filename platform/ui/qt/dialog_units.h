// Dialog units to pixels, as the Win32 dialog manager converts them: with the dialog font's
// base units (average width of the Latin letters, and the font's height), x by width / 4 and
// y by height / 8, rounded to the nearest pixel.
#pragma once

#include <QFont>
#include <QRect>

#include "platform/ui/dialog_template.h"

namespace vmqt {

struct BaseUnits {
    int width;   // average character width, pixels
    int height;  // character height, pixels
};

// The font a template names; "MS Shell Dlg" (and "MS Shell Dlg 2") become the desktop's
// sans-serif face at the same point size.
QFont DialogFont(const tmpl::FontTemplate& font);
BaseUnits BaseUnitsOf(const QFont& font);

int DluToPixelsX(int dlu, const BaseUnits& units);
int DluToPixelsY(int dlu, const BaseUnits& units);
QRect DluRectToPixels(int x, int y, int cx, int cy, const BaseUnits& units);

}  // namespace vmqt
