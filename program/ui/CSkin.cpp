#include "program/ui/CSkin.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QScreen>
#include <QWidget>

#include "program/ui/ProgramImages.h"

namespace {

int colourCountOverride = 0;

// A colour cube of 6 levels per primary and a grey ramp between its greys: 256 entries.
std::vector<QRgb> HalftonePalette()
{
    std::vector<QRgb> palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) palette.push_back(qRgb(r * 51, g * 51, b * 51));
    for (int i = 0; palette.size() < 256; ++i) {
        const int level = 8 + i * 6;
        palette.push_back(qRgb(level, level, level));
    }
    return palette;
}

}  // namespace

int CSkin::ScreenColourCount()
{
    if (colourCountOverride > 0) return colourCountOverride;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int depth = screen ? screen->depth() : 24;
    return depth >= 24 ? 1 << 24 : 1 << depth;
}

void CSkin::SetColourCountOverride(int count)
{
    colourCountOverride = count > 0 ? count : 0;
}

bool CSkin::BuildPalette(int bitmapId, std::vector<QRgb>* palette)
{
    const QImage bitmap = ProgramBitmapImage(bitmapId);
    if (bitmap.isNull()) return false;
    const int colours = bitmap.colorCount() > 0 ? bitmap.colorCount() : 1 << std::min(bitmap.depth(), 24);
    if (colours <= 256) {
        palette->clear();
        for (QRgb entry : bitmap.colorTable()) palette->push_back(qRgb(qRed(entry), qGreen(entry), qBlue(entry)));
    } else {
        *palette = HalftonePalette();
    }
    return true;
}

void CSkin::ApplyScheme(QWidget* dialog, const QColor& background)
{
    QPalette pal = dialog->palette();
    pal.setColor(QPalette::Window, background);
    pal.setColor(QPalette::WindowText, Qt::black);
    dialog->setPalette(pal);
    dialog->setAutoFillBackground(true);
    for (QComboBox* box : dialog->findChildren<QComboBox*>()) {
        QPalette green = box->palette();
        for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button})
            green.setColor(role, Qt::black);
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            green.setColor(role, QColor::fromRgb(ComboText));
        box->setPalette(green);
        if (box->lineEdit()) box->lineEdit()->setPalette(green);
        box->view()->setPalette(green);
    }
}
