#pragma once

#include "tools/embrel-images/Canvas.h"

// Lettering that needs no installed font, so that it looks the same on every machine.
namespace lettering {

// Geometric capitals (C, A, L, Y, R, I, X, E, B, M) drawn as strokes; letters not in the
// set are skipped. The width of the text is stored in *width when it is given.
Shape Capitals(const char* text, double x, double top, double height, double stroke, double gap,
               double* width = nullptr);

// A 5 x 7 pixel font of capitals, digits 0-9, '&', '+' and space, one pixel between letters.
void PixelText(Canvas& canvas, const char* text, int x, int top, Rgba colour);
int PixelTextWidth(const char* text);

}  // namespace lettering
