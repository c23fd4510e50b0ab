#pragma once

#include "tools/embrel-images/Canvas.h"

// Lettering that needs no installed font, so that it looks the same on every machine.
namespace lettering {

// Geometric capitals (C, A, L, Y, R, I, X) drawn as strokes; other characters are skipped.
Shape Capitals(const char* text, double x, double top, double height, double stroke, double gap);

// A 5 x 7 pixel font (the capitals of the product's tagline, '&' and space), one pixel
// between letters; other characters are skipped.
void PixelText(Canvas& canvas, const char* text, int x, int top, Rgba colour);
int PixelTextWidth(const char* text);

}  // namespace lettering
