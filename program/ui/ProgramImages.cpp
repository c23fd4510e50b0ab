#include "program/ui/ProgramImages.h"

#include <QImage>

#include "program/ui/ProgramIconEngine.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int, 4> kBitmaps{264, 265, 276, 277};
constexpr std::array<int, 15> kIcons{128, 250, 251, 252, 253, 254, 257, 258, 267, 271, 273, 274, 275, 278, 279};

template <size_t N>
bool Contains(const std::array<int, N>& ids, int id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

QPixmap ProgramBitmap(int id)
{
    if (!Contains(kBitmaps, id)) return {};
    return QPixmap(QStringLiteral(":/program/res/bitmap%1.png").arg(id));
}

QIcon ProgramIcon(int id)
{
    if (!Contains(kIcons, id)) return {};
    const QImage image = QImage(QStringLiteral(":/program/res/icon%1.png").arg(id)).convertToFormat(QImage::Format_ARGB32);
    // The program's own icon is a picture that scales; the others are shown like a button's icon.
    if (id == 128) return QIcon(QPixmap::fromImage(image));
    return QIcon(new ProgramIconEngine(image));
}

QPixmap ProgramButtonBitmap(int id, const QColor& buttonFace)
{
    const QPixmap bitmap = ProgramBitmap(id);
    if (bitmap.isNull()) return bitmap;
    QImage image = bitmap.toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb grey = qRgb(192, 192, 192);
    const QRgb face = buttonFace.rgba();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::replace(line, line + image.width(), grey, face);
    }
    return QPixmap::fromImage(image);
}
