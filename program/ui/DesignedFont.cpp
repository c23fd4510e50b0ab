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
    // A cell height of h holds an em of about 0.8 h once the line gap is left out.
    font.setPixelSize(qMax(1, int(height * 0.8 + 0.5)));
    font.setWeight(QFont::Weight(weight));
    return font;
}
