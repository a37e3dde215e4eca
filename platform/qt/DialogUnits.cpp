#include "qt/DialogUnits.h"

#include <QFontMetrics>

#include <cstdint>

namespace kqt {

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int mulDivRound(int a, int b, int c)
{
    const int64_t p = int64_t{a} * b;
    const int64_t half = c / 2;
    return static_cast<int>(p >= 0 ? (p + half) / c : (p - half) / c);
}

} // namespace

BaseUnits baseUnitsOf(const QFont& font)
{
    const QFontMetrics fm(font);
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return BaseUnits{(letters / 26 + 1) / 2, fm.height()};
}

int dluToPxX(const BaseUnits& bu, int dluX) { return mulDivRound(dluX, bu.cx, 4); }
int dluToPxY(const BaseUnits& bu, int dluY) { return mulDivRound(dluY, bu.cy, 8); }

QRect dluToPx(const BaseUnits& bu, int x, int y, int cx, int cy)
{
    return QRect(dluToPxX(bu, x), dluToPxY(bu, y), dluToPxX(bu, cx), dluToPxY(bu, cy));
}

QSize dluToPx(const BaseUnits& bu, int cx, int cy)
{
    return QSize(dluToPxX(bu, cx), dluToPxY(bu, cy));
}

} // namespace kqt
