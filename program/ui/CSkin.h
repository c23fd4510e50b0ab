#pragma once

#include <QColor>
#include <QRgb>

#include <vector>

class QWidget;

// The program's own look: the screen's colour count, the palette taken from a bitmap's
// colour table, and the colour scheme of its dialogs.
class CSkin {
public:
    // Colours the screen shows at once: 2^depth of the primary screen, or the override.
    static int ScreenColourCount();
    // 0 returns to the screen's own count.
    static void SetColourCountOverride(int count);

    // The bitmap's colour table when it has at most 256 colours, else a halftone palette of
    // 256 entries; false when there is no such bitmap.
    static bool BuildPalette(int bitmapId, std::vector<QRgb>* palette);

    // Background of the dialog and its labels, buttons and group boxes; green on black in
    // the edit and list parts of its combo boxes.
    static void ApplyScheme(QWidget* dialog, const QColor& background);

    static constexpr QRgb ComboText = 0x32C832;
};
