// Draws the program's bitmaps and icons: embrel-images OUTPUT_DIR
#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstring>

#include "tools/ToolVersion.h"
#include "tools/embrel-images/ProgramArt.h"
#include "tools/embrel-images/SplashArt.h"

namespace {

bool Save(const QImage& img, const QDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "embrel-images: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(path), img.width(), img.height());
    return true;
}

bool SaveIcon(const QImage& img, const QDir& dir, int id)
{
    return Save(img, dir, QStringLiteral("icon%1.png").arg(id));
}

bool SaveBitmap(const QImage& img, const QDir& dir, int id)
{
    return Save(img, dir, QStringLiteral("bitmap%1.png").arg(id));
}

bool DrawAll(const QDir& dir)
{
    bool ok = SaveIcon(art::AppIcon(), dir, 128);
    for (const int id : {250, 251, 252}) ok &= SaveIcon(art::CaptionGlyph(id), dir, id);
    ok &= SaveIcon(art::TapeIcon(false), dir, 253);
    ok &= SaveIcon(art::TubeIcon(false), dir, 254);
    ok &= SaveIcon(art::TapeIcon(true), dir, 257);
    ok &= SaveIcon(art::TubeIcon(true), dir, 258);
    ok &= SaveIcon(art::SoundCardIcon(), dir, 267);
    ok &= SaveIcon(art::PreviewIcon(), dir, 271);
    ok &= SaveIcon(art::StopIcon(), dir, 273);
    ok &= SaveIcon(art::PauseIcon(false), dir, 274);
    ok &= SaveIcon(art::PauseIcon(true), dir, 275);
    ok &= SaveIcon(art::PresetIcon(true), dir, 278);
    ok &= SaveIcon(art::PresetIcon(false), dir, 279);
    ok &= SaveBitmap(art::LogoStrip(false), dir, 264);
    ok &= SaveBitmap(art::LogoStrip(true), dir, 265);
    ok &= SaveBitmap(art::StartBitmap(false), dir, 276);
    ok &= SaveBitmap(art::StartBitmap(true), dir, 277);
    ok &= SaveBitmap(art::AboutLogo(), dir, 166);
    ok &= SaveBitmap(art::AboutEmblem(), dir, 169);
    ok &= SaveBitmap(art::ProductPicture(), dir, 230);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (PrintVersionIfAsked("embrel-images", argc, argv)) return 0;
    if (argc != 2 || argv[1][0] == '-') {
        const bool help = argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0);
        std::fputs("usage: embrel-images OUTPUT_DIR\n", help ? stdout : stderr);
        return help ? 0 : 2;
    }
    // Nothing is shown: no display is needed, and every machine draws the same pixels.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "embrel-images: cannot create %s\n", argv[1]);
        return 1;
    }
    return DrawAll(dir) ? 0 : 1;
}
