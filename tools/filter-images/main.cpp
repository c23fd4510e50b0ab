// Draws the filter page's banners and switch icons: filter-images OUTPUT_DIR
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>

#include "tools/ToolVersion.h"

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kLightGrey = qRgb(192, 192, 192);
const QRgb kDarkGrey = qRgb(128, 128, 128);

// The sixteen colours of a 16-colour display.
QList<QRgb> SixteenColours()
{
    return {kBlack, qRgb(128, 0, 0), qRgb(0, 128, 0), qRgb(128, 128, 0), qRgb(0, 0, 128),
            qRgb(128, 0, 128), qRgb(0, 128, 128), kLightGrey, kDarkGrey, qRgb(255, 0, 0),
            qRgb(0, 255, 0), qRgb(255, 255, 0), qRgb(0, 0, 255), qRgb(255, 0, 255),
            qRgb(0, 255, 255), kWhite};
}

QFont BannerFont(int pixels)
{
    QFont font("Liberation Sans Narrow");
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

// A saturated sine: the page's motif, drawn between x0 and x1 around the middle line.
void DrawWave(QPainter& p, double x0, double x1, double middle, double amplitude)
{
    QPainterPath wave;
    for (double x = x0; x <= x1; x += 0.5) {
        const double s = std::sin((x - x0) / (x1 - x0) * 4 * M_PI);
        const double y = middle - amplitude * std::tanh(2.5 * s) / std::tanh(2.5);
        if (x == x0)
            wave.moveTo(x, y);
        else
            wave.lineTo(x, y);
    }
    p.drawPath(wave);
}

// The banner: the product name on a blue band with a clipped wave, as wide as the page.
QImage DrawBanner(int width, bool smooth)
{
    QImage img(width, 24, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, smooth);
    p.setRenderHint(QPainter::TextAntialiasing, smooth);
    QLinearGradient band(0, 0, width, 0);
    band.setColorAt(0.0, QColor(40, 40, 140));
    band.setColorAt(1.0, QColor(153, 153, 255));
    if (smooth)
        p.fillRect(img.rect(), band);
    else
        p.fillRect(img.rect(), QColor(0, 0, 128));
    p.setPen(QPen(smooth ? QColor(255, 200, 80) : QColor(255, 255, 0), 2));
    DrawWave(p, 6, 62, 12, 7);
    p.setPen(smooth ? QColor(0, 0, 60) : QColor(kBlack));
    p.setFont(BannerFont(17));
    p.drawText(QRect(71, 1, 120, 24), Qt::AlignLeft | Qt::AlignVCenter, "CALYRIX");
    p.setPen(kWhite);
    p.drawText(QRect(70, 0, 120, 24), Qt::AlignLeft | Qt::AlignVCenter, "CALYRIX");
    QFont small = BannerFont(11);
    small.setBold(false);
    p.setFont(small);
    p.drawText(QRect(150, 0, width - 156, 24), Qt::AlignRight | Qt::AlignVCenter, "tube & tape saturation");
    p.setPen(kBlack);
    p.drawRect(0, 0, width - 1, 23);
    p.end();
    if (smooth)
        return img.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
    return img.convertToFormat(QImage::Format_Indexed8, SixteenColours(), Qt::ThresholdDither);
}

// A vacuum tube; lit, its filament and plate glow.
QImage DrawTube(bool lit)
{
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(kBlack), 1));
    p.setBrush(lit ? QColor(255, 220, 150) : QColor(210, 225, 235));
    QPainterPath glass;
    glass.moveTo(9, 26);
    glass.lineTo(9, 10);
    glass.arcTo(9, 3, 14, 14, 180, -180);
    glass.lineTo(23, 26);
    glass.closeSubpath();
    p.drawPath(glass);
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(8, 25, 16, 4);
    p.setPen(QPen(QColor(kBlack), 1));
    p.drawLine(12, 29, 12, 31);
    p.drawLine(16, 29, 16, 31);
    p.drawLine(20, 29, 20, 31);
    p.setBrush(lit ? QColor(180, 120, 60) : QColor(120, 120, 120));
    p.drawRect(12, 12, 8, 10);
    p.setPen(QPen(lit ? QColor(255, 80, 0) : QColor(90, 90, 90), 2));
    p.drawLine(14, 17, 18, 17);
    p.end();
    return img;
}

// A tape reel pair; lit, the reels turn red and the tape glows.
QImage DrawTape(bool lit)
{
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(kBlack), 1));
    p.setBrush(QColor(80, 80, 80));
    p.drawRoundedRect(2, 7, 28, 19, 3, 3);
    p.setBrush(lit ? QColor(255, 200, 120) : QColor(kLightGrey));
    p.drawRect(6, 11, 20, 9);
    const QColor reel = lit ? QColor(220, 30, 30) : QColor(kWhite);
    for (int cx : {11, 21}) {
        p.setBrush(reel);
        p.drawEllipse(QPointF(cx, 15.5), 4, 4);
        p.setBrush(QColor(kBlack));
        p.drawEllipse(QPointF(cx, 15.5), 1.2, 1.2);
    }
    p.setBrush(QColor(kDarkGrey));
    p.drawRect(10, 22, 12, 4);
    p.end();
    return img;
}

bool Save(const QImage& img, const QDir& dir, const char* name)
{
    const QString path = dir.filePath(name);
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "filter-images: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (PrintVersionIfAsked("filter-images", argc, argv)) return 0;
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: filter-images OUTPUT_DIR\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !dir.mkpath(".")) {
        std::fprintf(stderr, "filter-images: cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = Save(DrawBanner(290, true), dir, "106.png");
    ok &= Save(DrawBanner(284, false), dir, "107.png");
    ok &= Save(DrawTube(true), dir, "108.png");
    ok &= Save(DrawTape(true), dir, "109.png");
    ok &= Save(DrawTube(false), dir, "110.png");
    ok &= Save(DrawTape(false), dir, "111.png");
    return ok ? 0 : 1;
}
