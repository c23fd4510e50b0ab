#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

// The program's compiled-in pictures, by resource id.
//
// Bitmaps: 264 and 265, the logo strip (284 x 24: full colour, and 16 colours on a light grey
// ground); 276 and 277, the start button idle and running (22 x 20 on light grey).
// Icons, 32 x 32 with transparency: 128 the program (scales like any icon), and the control
// icons 250 minimise, 251 close, 252 question mark, 253/257 tape resting/turning, 254/258
// tube resting/glowing, 267 sound card, 271 preview, 273 stop, 274 pause, 275 paused, 278
// add preset, 279 delete preset. A control icon's picture sits in its middle, sized for its
// control; at any requested size it is shown unscaled, centred and clipped, as a button
// shows an icon image (see ProgramIconEngine).
//
// A null pixmap or icon for any other id. Needs a QGuiApplication.
QPixmap ProgramBitmap(int id);
QIcon ProgramIcon(int id);

// A bitmap with its light grey (192, 192, 192) pixels replaced by the button face colour;
// a transparent face lets a shaded button face show through.
QPixmap ProgramButtonBitmap(int id, const QColor& buttonFace);
