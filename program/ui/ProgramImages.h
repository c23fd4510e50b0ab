#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

// The program's compiled-in pictures, by resource id.
//
// Bitmaps: 264 and 265, the logo strip (284 x 24: full colour, and 16 colours on a light grey
// ground); 276 and 277, the start button idle and running (22 x 20 on light grey).
// Icons, 32 x 32 with transparency, the picture centred and sized for its control, so they
// are shown at 32 x 32 and clipped by small buttons as designed: 128 the program, 250
// minimise, 251 close, 252 question mark, 253/257 tape resting/turning, 254/258 tube
// resting/glowing, 267 sound card, 271 preview, 273 stop, 274 pause, 275 paused, 278 add
// preset, 279 delete preset.
//
// A null pixmap or icon for any other id. Needs a QGuiApplication.
QPixmap ProgramBitmap(int id);
QIcon ProgramIcon(int id);

// A bitmap with its light grey (192, 192, 192) pixels replaced by the button face colour.
QPixmap ProgramButtonBitmap(int id, const QColor& buttonFace);
