#include "platform/base/DialogUnits.h"

#include <climits>
#include <cstdint>

int MulDiv(int number, int numerator, int denominator) noexcept {
    if (denominator == 0) return -1;
    std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    std::int64_t half = (denominator > 0 ? denominator : -static_cast<std::int64_t>(denominator)) / 2;
    bool negative = (product < 0) != (denominator < 0);
    std::int64_t magnitude = (product < 0 ? -product : product) + half;
    std::int64_t quotient = magnitude / (denominator > 0 ? denominator : -static_cast<std::int64_t>(denominator));
    std::int64_t result = negative ? -quotient : quotient;
    if (result > INT_MAX || result < INT_MIN) return -1;
    return static_cast<int>(result);
}

int DialogUnitsToPixelsX(int x) noexcept { return MulDiv(x, DialogBaseUnitX, 4); }

int DialogUnitsToPixelsY(int y) noexcept { return MulDiv(y, DialogBaseUnitY, 8); }

DialogRect MapDialogRect(int x, int y, int width, int height) noexcept {
    return {DialogUnitsToPixelsX(x), DialogUnitsToPixelsY(y), DialogUnitsToPixelsX(width),
            DialogUnitsToPixelsY(height)};
}
