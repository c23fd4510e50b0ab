#pragma once

// Dialog-template geometry. Templates are laid out in dialog units of their font; the
// designed 8-point face at 96 dpi has base units of 6 x 13 pixels, so x and widths scale
// by 6/4 and y and heights by 13/8. Device-pixel ratios are applied by the toolkit, never
// through the font.

// number * numerator / denominator with a 64-bit intermediate, rounded half away from
// zero; -1 when the denominator is 0 or the result does not fit in an int.
int MulDiv(int number, int numerator, int denominator) noexcept;

struct DialogRect {
    int x;
    int y;
    int width;
    int height;
};

constexpr int DialogBaseUnitX = 6;
constexpr int DialogBaseUnitY = 13;

int DialogUnitsToPixelsX(int x) noexcept;
int DialogUnitsToPixelsY(int y) noexcept;
// A template rectangle (x, y, width, height in dialog units) in pixels.
DialogRect MapDialogRect(int x, int y, int width, int height) noexcept;
