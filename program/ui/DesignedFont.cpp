#include "program/ui/DesignedFont.h"

#include <QFontDatabase>

#include <cstring>

namespace {

const char* FreeFace(const char* face)
{
    if (std::strcmp(face, "Franklin Gothic Medium Cond") == 0) return "Liberation Sans Narrow";
    return "Liberation Sans";
}

}  // namespace

QFont DesignedFont(const char* face, int height, int weight)
{
    const QString designed = QString::fromLatin1(face);
    QFont font(QFontDatabase::hasFamily(designed) ? designed : QString::fromLatin1(FreeFace(face)));
    // A cell height of h holds an em of about 0.87 h in these faces.
    font.setPixelSize(qMax(1, int(height * 0.87 + 0.5)));
    font.setWeight(QFont::Weight(weight));
    return font;
}
