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
