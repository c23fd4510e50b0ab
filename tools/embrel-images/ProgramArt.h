#pragma once

#include <QImage>

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

}  // namespace art
