// Dialog units to pixels. A dialog unit is a quarter of the dialog font's average
// character width horizontally and an eighth of its height vertically, so layouts
// scale with the font. The average width is measured over the 52 Latin letters, not
// taken from the font's own tables, which disagree between font formats.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace kqt {

struct BaseUnits {
    int cx = 0; // average character width, pixels
    int cy = 0; // character height, pixels
};

BaseUnits baseUnitsOf(const QFont& font);

// Rounds to the nearest pixel, halves away from zero.
int dluToPxX(const BaseUnits& bu, int dluX);
int dluToPxY(const BaseUnits& bu, int dluY);
QRect dluToPx(const BaseUnits& bu, int x, int y, int cx, int cy);
QSize dluToPx(const BaseUnits& bu, int cx, int cy);

} // namespace kqt
