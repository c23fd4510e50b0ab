#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/base/DialogUnits.h"
#include "program/ui/ProgramImages.h"

namespace {

const int kIcons[] = {128, 250, 251, 252, 253, 254, 257, 258, 267, 271, 273, 274, 275, 278, 279};

TEST(ProgramImages, EveryIdLoadsAtItsSize)
{
    for (const int id : kIcons) {
        SCOPED_TRACE(id);
        const QIcon icon = ProgramIcon(id);
        ASSERT_FALSE(icon.isNull());
        const QImage image = icon.pixmap(32, 32).toImage();
        EXPECT_EQ(image.size(), QSize(32, 32));
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);  // transparent around the picture
    }
    // The logo strip fills its static of 189 x 15 dialog units.
    const DialogRect logo = MapDialogRect(17, 198, 189, 15);
    for (const int id : {264, 265}) EXPECT_EQ(ProgramBitmap(id).size(), QSize(logo.width, logo.height)) << id;
    // The start bitmaps fit inside button 1020 with room for its border.
    const DialogRect start = MapDialogRect(333, 174, 19, 17);
    for (const int id : {276, 277}) {
        const QSize size = ProgramBitmap(id).size();
        EXPECT_EQ(size, QSize(22, 20)) << id;
        EXPECT_LE(size.width(), start.width - 6);
        EXPECT_LE(size.height(), start.height - 6);
    }
    for (const int id : {0, 127, 129, 230, 255, 256, 266, 268, 272, 276 + 1000}) {
        EXPECT_TRUE(ProgramBitmap(id).isNull()) << id;
        EXPECT_TRUE(ProgramIcon(id).isNull()) << id;
    }
    EXPECT_TRUE(ProgramBitmap(128).isNull());  // an icon is not a bitmap
    EXPECT_TRUE(ProgramIcon(264).isNull());
}

QImage Committed(const char* name)
{
    return QImage(QStringLiteral(PROGRAM_RES_DIR "/") + QLatin1String(name)).convertToFormat(QImage::Format_ARGB32);
}

// An image as it comes back from a pixmap (which may keep it premultiplied).
QImage Shown(const QImage& image)
{
    return QPixmap::fromImage(image).toImage().convertToFormat(QImage::Format_ARGB32);
}

// A control icon keeps its pixels at every size a button asks for: centred and clipped.
TEST(ProgramImages, ControlIconsAreCentredUnscaledAndClipped)
{
    const QImage plus = Committed("icon278.png");
    const QIcon add = ProgramIcon(278);
    const QImage small = add.pixmap(QSize(14, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(small, Shown(plus.copy(9, 8, 14, 16)));
    const QImage large = add.pixmap(QSize(40, 36)).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(large.size(), QSize(40, 36));
    EXPECT_EQ(large.copy(4, 2, 32, 32), Shown(plus));
    EXPECT_EQ(qAlpha(large.pixel(1, 1)), 0);
    EXPECT_EQ(add.actualSize(QSize(14, 16)), QSize(14, 16));

    // On a screen of twice the density the same logical crop is drawn twice as large.
    const QPixmap dense = add.pixmap(QSize(14, 16), 2.0);
    EXPECT_EQ(dense.size(), QSize(28, 32));
    EXPECT_EQ(dense.devicePixelRatio(), 2.0);

    // Disabled buttons get the toolkit's muted look of the same crop.
    const QImage disabled = add.pixmap(QSize(14, 16), QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(disabled.size(), QSize(14, 16));
    EXPECT_NE(disabled, small);

    // The program's own icon scales as a whole, frame included.
    const QImage app = ProgramIcon(128).pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(app.size(), QSize(16, 16));
    EXPECT_NE(app, Committed("icon128.png").copy(8, 8, 16, 16));
    EXPECT_GT(qAlpha(app.pixel(1, 8)), 128);  // the frame's left edge
}

TEST(ProgramImages, PairsDifferAndTheSixteenColourLogoKeepsToSixteenColours)
{
    for (const auto& [a, b] : {std::pair{253, 257}, {254, 258}, {274, 275}, {278, 279}})
        EXPECT_NE(ProgramIcon(a).pixmap(32, 32).toImage(), ProgramIcon(b).pixmap(32, 32).toImage()) << a;
    EXPECT_NE(ProgramBitmap(276).toImage(), ProgramBitmap(277).toImage());

    const QList<QRgb> vga{qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
                          qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
                          qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
                          qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    const QImage logo = ProgramBitmap(265).toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x)
            ASSERT_TRUE(vga.contains(logo.pixel(x, y) | 0xFF000000u)) << x << "," << y;
    // Each strip sits on its screen's window colour.
    EXPECT_EQ(ProgramBitmap(264).toImage().pixel(0, 0) | 0xFF000000u, qRgb(0x99, 0x99, 0xFF));
    EXPECT_EQ(logo.pixel(0, 0), qRgb(0xC0, 0xC0, 0xC0));
}

TEST(ProgramImages, StartBitmapGroundTakesTheButtonFace)
{
    const QImage plain = ProgramBitmap(276).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage mapped = ProgramButtonBitmap(276, QColor(0x12, 0x34, 0x56)).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(mapped.size(), plain.size());
    int changed = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            if (plain.pixel(x, y) == qRgb(192, 192, 192)) {
                ASSERT_EQ(mapped.pixel(x, y), qRgb(0x12, 0x34, 0x56));
                ++changed;
            } else {
                ASSERT_EQ(mapped.pixel(x, y), plain.pixel(x, y));
            }
        }
    EXPECT_GT(changed, plain.width() * plain.height() / 3);  // the ground, not the picture
    const QImage clear = ProgramButtonBitmap(277, Qt::transparent).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(clear.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(clear.pixel(clear.width() / 2, clear.height() / 2)), 255);
    EXPECT_TRUE(ProgramButtonBitmap(999, Qt::red).isNull());
}

// The committed files are exactly what the generator draws.
TEST(ProgramImages, GeneratorRedrawsTheCommittedFiles)
{
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    QProcess generator;
    generator.start(QStringLiteral(EMBREL_IMAGES), {out.path()});
    ASSERT_TRUE(generator.waitForFinished(120000));
    ASSERT_EQ(generator.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();

    const QDir committed(QStringLiteral(PROGRAM_RES_DIR));
    const QStringList drawn = QDir(out.path()).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(drawn, committed.entryList(QDir::Files, QDir::Name));
    EXPECT_EQ(drawn.size(), 19);
    for (const QString& name : drawn) {
        QFile a(QDir(out.path()).filePath(name));
        QFile b(committed.filePath(name));
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_TRUE(a.readAll() == b.readAll()) << name.toStdString() << " differs from its drawing";
    }
}

}  // namespace
