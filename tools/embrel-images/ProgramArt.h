#pragma once

#include <QImage>

#include <vector>

#include "tools/embrel-images/Shapes.h"

// The program's pictures. Icons are 32 x 32 with transparency, the picture centred and sized
// for the control that shows it; the start bitmaps have a light grey (192, 192, 192) ground
// that the program maps to the button face colour.
namespace art {

QImage AppIcon();                 // 128
QImage CaptionGlyph(int id);      // 250 minimise, 251 close, 252 question mark
QImage TapeIcon(bool turning);    // 253 resting, 257 turning
QImage TubeIcon(bool glowing);    // 254 resting, 258 glowing
QImage SoundCardIcon();           // 267
QImage PreviewIcon();             // 271
QImage StopIcon();                // 273
QImage PauseIcon(bool paused);    // 274, 275 while paused
QImage PresetIcon(bool add);      // 278 add, 279 delete
QImage StartBitmap(bool running); // 276 idle, 277 running
QImage LogoStrip(bool sixteenColours);  // 264, 265

// The saturated wave of the product (a sine pushed into a soft clip) and the plain sine,
// from x0 to x1 around cy.
std::vector<shapes::Point> WavePoints(double x0, double x1, double cy, double amp, double cycles);
std::vector<shapes::Point> SinePoints(double x0, double x1, double cy, double amp, double cycles);

}  // namespace art
