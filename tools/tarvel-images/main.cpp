// Draws the fader module's bitmaps and cursor: tarvel-images OUTPUT_DIR
#include <QBitmap>
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/ToolVersion.h"

namespace {

struct TrackLayout {
    int width;
    int height;
    int slotLeft;  // first column of the slot
    int slotWidth;
    int slotTop;
    int slotBottom;
    int tickInner;  // gap between slot and tick
    int tickLength;
    std::array<int, 11> ticks;
};

constexpr TrackLayout kSmallTrack{37, 204, 17, 4, 12, 191, 2, 6,
                                  {19, 35, 52, 68, 85, 101, 117, 134, 150, 167, 183}};
constexpr TrackLayout kLargeTrack{46, 254, 22, 5, 15, 237, 3, 8,
                                  {24, 44, 65, 85, 106, 126, 146, 167, 187, 208, 228}};

// 4x4 ordered dither thresholds.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

int Clamp255(double v) { return std::clamp(static_cast<int>(std::lround(v)), 0, 255); }

// Brushed metal face: a soft cylinder across the width, a little darker towards the bottom.
double FaceLevel(const TrackLayout& t, int x, int y)
{
    const double u = (x + 0.5) / t.width;  // 0..1
    const double cylinder = std::cos((u - 0.38) * 2.4);
    const double vertical = 1.0 - 0.10 * y / t.height;
    const double grain = ((x * 7 + y * 13) % 5) * 0.6;  // faint brushing
    return (118 + 70 * cylinder) * vertical + grain;
}

// Palette display: the same face quantised to steps of 16 grey levels with ordered dithering.
int Dithered(double level, int x, int y)
{
    const double step = 16.0;
    const double lower = std::floor(level / step) * step;
    const double frac = (level - lower) / step;
    const double threshold = (kBayer[y & 3][x & 3] + 0.5) / 16.0;
    return Clamp255(frac > threshold ? lower + step : lower);
}

QImage DrawTrack(const TrackLayout& t, bool dithered)
{
    QImage img(t.width, t.height, QImage::Format_RGB32);
    for (int y = 0; y < t.height; ++y) {
        for (int x = 0; x < t.width; ++x) {
            double level = FaceLevel(t, x, y);
            if (y == 0) level += 40;                      // top bevel
            if (y == t.height - 1) level -= 55;           // bottom bevel
            if (x == t.width - 1) level -= 45;            // right bevel
            if (x == 1) level += 35;                      // highlight inside the dark edge
            const int g = dithered ? Dithered(level, x, y) : Clamp255(level);
            img.setPixel(x, y, qRgb(g, g, g));
        }
    }
    // Dark one-pixel left edge.
    for (int y = 0; y < t.height; ++y) img.setPixel(0, y, qRgb(24, 24, 26));

    // The slot: a recessed dark channel with a lit lower-right lip.
    for (int y = t.slotTop; y <= t.slotBottom; ++y) {
        for (int x = t.slotLeft; x < t.slotLeft + t.slotWidth; ++x) {
            const bool edge = y == t.slotTop || y == t.slotBottom || x == t.slotLeft;
            const int g = edge ? 8 : 22 + 6 * (x - t.slotLeft);
            img.setPixel(x, y, qRgb(g, g, g + 2));
        }
        img.setPixel(t.slotLeft + t.slotWidth, y, qRgb(215, 215, 215));
    }
    for (int x = t.slotLeft; x <= t.slotLeft + t.slotWidth; ++x)
        img.setPixel(x, t.slotBottom + 1, qRgb(215, 215, 215));

    // Engraved tick marks: a dark row with a light row under it, on both sides of the slot.
    for (int i = 0; i < 11; ++i) {
        const int y = t.ticks[i];
        const int len = (i % 5 == 0) ? t.tickLength + 2 : t.tickLength;  // 0, 50 and 100 % longer
        const int leftEnd = t.slotLeft - t.tickInner;
        const int rightStart = t.slotLeft + t.slotWidth + 1 + t.tickInner;
        for (int k = 0; k < len; ++k) {
            const int xl = leftEnd - 1 - k;
            const int xr = rightStart + k;
            if (xl > 1) {
                img.setPixel(xl, y, qRgb(30, 30, 30));
                img.setPixel(xl, y + 1, qRgb(228, 228, 228));
            }
            if (xr < t.width - 2) {
                img.setPixel(xr, y, qRgb(30, 30, 30));
                img.setPixel(xr, y + 1, qRgb(228, 228, 228));
            }
        }
    }
    return img;
}

// The sixteen colours of the classic palette that the knobs use.
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kDarkGrey = qRgb(128, 128, 128);
const QRgb kLightGrey = qRgb(192, 192, 192);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kDarkRed = qRgb(128, 0, 0);

// A fader cap: black outline, lit top and left, shaded bottom and right, horizontal ridges
// and a red line across its middle on rows redFirst..redLast.
QImage DrawKnob(int w, int h, int redFirst, int redLast)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(kLightGrey);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            QRgb c = kLightGrey;
            const bool border = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            if (border) {
                c = kBlack;
            } else if (y == 1 || x == 1) {
                c = kWhite;
            } else if (y == h - 2 || x == w - 2) {
                c = kDarkGrey;
            } else if (y >= redFirst && y <= redLast) {
                c = (x == 2 || x == w - 3) ? kDarkRed : kRed;
            } else {
                // Ridges: pairs of dark and light rows, stepping away from the red line.
                const int dist = y < redFirst ? redFirst - y : y - redLast;
                if (dist >= 2 && y > 2 && y < h - 3) {
                    const int phase = dist % 3;
                    if (phase == 0) c = kDarkGrey;
                    else if (phase == 1) c = kWhite;
                }
                if (x == 2 || x == w - 3) c = (c == kWhite) ? kLightGrey : c;
            }
            img.setPixel(x, y, c);
        }
    }
    return img;
}

QImage DrawToolbox()
{
    QImage img(16, 15, QImage::Format_RGB32);
    img.fill(kLightGrey);
    // Slot behind the cap.
    for (int y = 0; y < 15; ++y) {
        img.setPixel(7, y, kBlack);
        img.setPixel(8, y, kDarkGrey);
    }
    const QImage cap = DrawKnob(10, 9, 4, 4);
    QPainter p(&img);
    p.drawImage(3, 3, cap);
    return img;
}

QImage DrawCursor()
{
    // An open hand, '#' outline and '.' fill; the rest is transparent.
    static const char* const kHand[] = {
        "       ##               ",
        "   ## #..# ##           ",
        "  #..##..##..#          ",
        "  #..##..##..# ##       ",
        "  #..##..##..##..#      ",
        "  #..##..##..##..#      ",
        "  #..##..##..##..#      ",
        "  #..##..##..##..#      ",
        "  #..##..##..##..#      ",
        "  #..#..#..#..#..#      ",
        "  #..............#      ",
        "## #.............#      ",
        "#..#.............#      ",
        "#...#............#      ",
        " #...............#      ",
        "  #..............#      ",
        "  #.............#       ",
        "   #............#       ",
        "    #..........#        ",
        "     #.........#        ",
        "     #.........#        ",
        "     ###########        ",
    };
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(qRgba(0, 0, 0, 0));
    for (int y = 0; y < int(sizeof kHand / sizeof kHand[0]); ++y)
        for (int x = 0; kHand[y][x] != '\0'; ++x) {
            if (kHand[y][x] == '#') img.setPixel(x, y, qRgba(0, 0, 0, 255));
            if (kHand[y][x] == '.') img.setPixel(x, y, qRgba(255, 255, 255, 255));
        }
    return img;
}

QImage DrawLogo()
{
    QImage img(87, 20, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setRenderHint(QPainter::Antialiasing, false);
    // A small fader: slot and cap, then the name.
    p.fillRect(6, 1, 2, 18, Qt::black);
    p.fillRect(2, 7, 10, 6, Qt::black);
    p.fillRect(3, 8, 8, 4, Qt::white);
    p.fillRect(3, 9, 8, 2, Qt::black);
    QFont font("DejaVu Sans");
    font.setPixelSize(15);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRect(16, 0, 71, 20), Qt::AlignLeft | Qt::AlignVCenter, "TARVEL");
    p.fillRect(16, 18, 68, 1, Qt::black);
    p.end();
    return img.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
}

QImage To16Colours(const QImage& img)
{
    QList<QRgb> table{kBlack, kDarkRed, qRgb(0, 128, 0), qRgb(128, 128, 0), qRgb(0, 0, 128),
                      qRgb(128, 0, 128), qRgb(0, 128, 128), kLightGrey, kDarkGrey, kRed,
                      qRgb(0, 255, 0), qRgb(255, 255, 0), qRgb(0, 0, 255), qRgb(255, 0, 255),
                      qRgb(0, 255, 255), kWhite};
    return img.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
}

bool Save(const QImage& img, const QDir& dir, const char* name)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "tarvel-images: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(path), img.width(), img.height());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (PrintVersionIfAsked("tarvel-images", argc, argv)) return 0;
    if (argc != 2 || argv[1][0] == '-') {
        const bool help = argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0);
        std::fputs("usage: tarvel-images OUTPUT_DIR\n", help ? stdout : stderr);
        return help ? 0 : 2;
    }
    // Nothing is shown: no display is needed, and every machine draws the same pixels.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "tarvel-images: cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    ok &= Save(DrawTrack(kSmallTrack, true).convertToFormat(QImage::Format_Indexed8), dir, "track207.png");
    ok &= Save(DrawTrack(kSmallTrack, false), dir, "track215.png");
    ok &= Save(DrawTrack(kLargeTrack, true).convertToFormat(QImage::Format_Indexed8), dir, "track212.png");
    ok &= Save(DrawTrack(kLargeTrack, false), dir, "track214.png");
    ok &= Save(To16Colours(DrawKnob(16, 36, 17, 18)), dir, "knob208.png");
    ok &= Save(To16Colours(DrawKnob(20, 45, 21, 23)), dir, "knob213.png");
    ok &= Save(DrawCursor(), dir, "cursor209.png");
    ok &= Save(To16Colours(DrawToolbox()), dir, "toolbox1.png");
    ok &= Save(DrawLogo(), dir, "logo211.png");
    return ok ? 0 : 1;
}
