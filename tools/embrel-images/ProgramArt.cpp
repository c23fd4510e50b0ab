#include "tools/embrel-images/ProgramArt.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "tools/embrel-images/Canvas.h"
#include "tools/embrel-images/Lettering.h"
#include "tools/embrel-images/Shapes.h"

namespace art {

namespace {

using namespace shapes;

constexpr Rgba kClear{0, 0, 0, 0};
constexpr Rgba kShadow{20, 20, 60, 90};
constexpr Rgba kOutline{40, 40, 72};
constexpr Rgba kMetalLight{250, 250, 255};
constexpr Rgba kMetalDark{140, 140, 158};
constexpr Rgba kIndigo{52, 52, 140};
constexpr Rgba kIndigoDark{26, 26, 74};
constexpr Rgba kGreen{50, 200, 50};
constexpr Rgba kGreenDark{18, 110, 18};
constexpr Rgba kAmber{255, 200, 60};
constexpr Rgba kOrange{235, 120, 20};
constexpr Rgba kRed{230, 50, 40};
constexpr Rgba kRedDark{140, 16, 16};
constexpr Rgba kLightGrey{192, 192, 192};

// A raised part: a soft shadow below right, a dark rim and a face lit from the top left.
void Raised(Canvas& c, const Shape& outer, const Shape& face, const Paint& paint)
{
    c.Fill(Offset(outer, 1.0, 1.2), kShadow);
    c.Fill(outer, kOutline);
    c.Fill(face, paint);
}

// A round metal knob of the caption glyphs.
void MetalButton(Canvas& c, double cx, double cy, double r)
{
    Raised(c, Circle(cx, cy, r), Circle(cx, cy, r - 1.0),
           Radial(cx - r * 0.45, cy - r * 0.5, r * 1.6, kMetalLight, kMetalDark));
    c.Fill(Minus(Circle(cx, cy, r - 1.0), Circle(cx + 0.6, cy + 0.9, r - 1.6)), WithAlpha(kMetalLight, 200));
}

// The saturated wave of the product: a sine pushed into a soft clip.
std::vector<Point> WavePoints(double x0, double x1, double cy, double amp, double cycles)
{
    std::vector<Point> points;
    for (int i = 0; i <= 64; ++i) {
        const double t = i / 64.0;
        const double s = std::tanh(2.6 * std::sin(t * cycles * 2 * std::numbers::pi)) / std::tanh(2.6);
        points.push_back({x0 + (x1 - x0) * t, cy - amp * s});
    }
    return points;
}

std::vector<Point> SinePoints(double x0, double x1, double cy, double amp, double cycles)
{
    std::vector<Point> points;
    for (int i = 0; i <= 64; ++i) {
        const double t = i / 64.0;
        points.push_back({x0 + (x1 - x0) * t, cy - amp * std::sin(t * cycles * 2 * std::numbers::pi)});
    }
    return points;
}

}  // namespace

QImage AppIcon()
{
    Canvas c(32, 32, kClear);
    Raised(c, RoundRect(1, 1, 29, 29, 5), RoundRect(2, 2, 27, 27, 4),
           Vertical(2, kMetalLight, 29, kMetalDark));
    c.Fill(RoundRect(5, 5, 21, 21, 2.5), Vertical(5, kIndigoDark, 26, Rgba{10, 10, 34}));
    for (const double y : {10.0, 15.5, 21.0})
        c.Fill(Rect(6, y, 19, 0.5), WithAlpha(kIndigo, 200));
    c.Fill(Stroke(SinePoints(6.5, 24.5, 15.5, 8.0, 1.0), 0.9), WithAlpha(kGreen, 170));
    c.Fill(Stroke(WavePoints(6.5, 24.5, 15.5, 6.0, 1.0), 2.2), Vertical(9, kAmber, 22, kOrange));
    c.Fill(Minus(RoundRect(2, 2, 27, 27, 4), RoundRect(2.8, 2.8, 27, 27, 4)), WithAlpha(kMetalLight, 220));
    return c.ToArgb();
}

QImage CaptionGlyph(int id)
{
    Canvas c(32, 32, kClear);
    const double cx = 15.5;
    const double cy = 15.5;
    MetalButton(c, cx, cy, 9.5);
    if (id == 250) {
        c.Fill(RoundRect(10.5, 18, 10, 3, 1), kIndigoDark);
    } else if (id == 251) {
        const Shape cross = Union(Stroke({{11.5, 11.5}, {19.5, 19.5}}, 2.6), Stroke({{19.5, 11.5}, {11.5, 19.5}}, 2.6));
        c.Fill(Offset(cross, 0.5, 0.6), WithAlpha(kMetalLight, 200));
        c.Fill(cross, Vertical(11, kRed, 20, kRedDark));
    } else {
        const Shape mark = Union(Union(Arc(cx, 12.6, 3.2, 2.4, -90, 180), Stroke({{cx, 15.8}, {cx, 17.2}}, 2.4)),
                                 Circle(cx, 20.8, 1.45));
        c.Fill(Offset(mark, 0.5, 0.6), WithAlpha(kMetalLight, 200));
        c.Fill(mark, kIndigoDark);
    }
    return c.ToArgb();
}

QImage TapeIcon(bool turning)
{
    Canvas c(32, 32, kClear);
    Raised(c, RoundRect(3, 7, 26, 18, 2.5), RoundRect(4, 8, 24, 16, 1.8),
           Vertical(8, Rgba{118, 118, 140}, 24, Rgba{58, 58, 76}));
    const Rgba label = turning ? kAmber : Rgba{232, 226, 206};
    c.Fill(RoundRect(6, 9.5, 20, 9, 1.2), Vertical(9.5, label, 18.5, Mix(label, kOrange, turning ? 0.5 : 0.15)));
    c.Fill(RoundRect(10, 11.5, 12, 5, 2.5), Rgba{30, 30, 44});
    c.Fill(Polygon({{9, 25}, {10.5, 20.5}, {21.5, 20.5}, {23, 25}}), Rgba{88, 88, 108});
    for (const double hx : {12.6, 19.4}) {
        c.Fill(Circle(hx, 14, 2.2), turning ? Rgba{255, 255, 255} : Rgba{208, 208, 216});
        const double base = turning ? 30.0 : 0.0;
        for (int k = 0; k < 3; ++k) {
            const double a = (base + k * 120.0) * std::numbers::pi / 180.0;
            c.Fill(Stroke({{hx, 14}, {hx + 1.7 * std::cos(a), 14 - 1.7 * std::sin(a)}}, 0.8), Rgba{40, 40, 56});
        }
    }
    for (const double hx : {7.2, 24.8}) c.Fill(Circle(hx, 22.4, 0.9), Rgba{30, 30, 44});
    return c.ToArgb();
}

QImage TubeIcon(bool glowing)
{
    Canvas c(32, 32, kClear);
    if (glowing) c.Fill(Circle(16, 14, 12), Radial(16, 14, 12, Rgba{255, 170, 60, 150}, Rgba{255, 170, 60, 0}));
    for (const double px : {12.5, 15.5, 18.5}) c.Fill(Stroke({{px, 25}, {px, 29}}, 1.0), Rgba{120, 120, 130});
    const Shape glass = Union(Circle(16, 10, 6.5), Rect(9.5, 10, 13, 14));
    c.Fill(Offset(glass, 1, 1), kShadow);
    c.Fill(glass, glowing ? Rgba{255, 190, 110, 190} : Rgba{190, 205, 232, 150});
    c.Fill(Minus(glass, Offset(glass, 0.9, 0)), WithAlpha(kOutline, 150));
    c.Fill(Minus(glass, Offset(glass, -0.9, 0)), WithAlpha(kOutline, 150));
    c.Fill(Minus(Circle(16, 10, 6.5), Offset(Circle(16, 10, 6.5), 0, 0.9)), WithAlpha(kOutline, 150));
    c.Fill(RoundRect(12.5, 8.5, 7, 11, 0.8), glowing ? Rgba{150, 110, 90} : Rgba{96, 96, 110});
    c.Fill(Rect(14.5, 9.5, 3, 9), glowing ? Rgba{90, 50, 30} : Rgba{48, 48, 60});
    c.Fill(Stroke({{16, 10.5}, {16, 17.5}}, 1.2), glowing ? Rgba{255, 236, 120} : Rgba{120, 40, 30});
    if (glowing) c.Fill(Circle(16, 14, 5.5), Radial(16, 14, 5.5, Rgba{255, 250, 200, 235}, Rgba{255, 140, 30, 0}));
    c.Fill(Stroke({{11.4, 8.8}, {11.4, 20}}, 1.0), WithAlpha(kMetalLight, 190));
    Raised(c, RoundRect(9, 22.5, 14, 4, 1), RoundRect(9.6, 23, 12.8, 3, 0.8), Vertical(23, Rgba{90, 90, 104}, 26, Rgba{30, 30, 40}));
    return c.ToArgb();
}

QImage SoundCardIcon()
{
    Canvas c(32, 32, kClear);
    const Shape body = Union(RoundRect(7, 12.5, 5, 7, 0.8), Polygon({{11, 12.8}, {16.5, 8}, {16.5, 24}, {11, 19.2}}));
    Raised(c, body, Offset(body, 0.0, 0.0), Vertical(8, Rgba{120, 120, 200}, 24, kIndigoDark));
    c.Fill(Stroke({{12, 13.2}, {16, 9.8}}, 0.8), WithAlpha(kMetalLight, 170));
    for (const double r : {4.0, 7.0, 10.0}) {
        const Shape wave = Arc(16.5, 16, r, 1.6, -45, 45);
        c.Fill(Offset(wave, 0.5, 0.6), kShadow);
        c.Fill(wave, Vertical(8, kGreen, 24, kGreenDark));
    }
    return c.ToArgb();
}

QImage PreviewIcon()
{
    Canvas c(32, 32, kClear);
    const Shape band = Arc(16, 17, 9, 2.4, 0, 180);
    c.Fill(Offset(band, 0.6, 0.8), kShadow);
    c.Fill(band, Vertical(7, kMetalLight, 17, kMetalDark));
    c.Fill(Minus(band, Offset(Arc(16, 17, 9, 2.4, 0, 180), 0, 0.7)), kOutline);
    for (const double x : {4.5, 23.5}) {
        const Shape cup = RoundRect(x, 15, 4.5, 10, 1.8);
        Raised(c, cup, RoundRect(x + 0.7, 15.7, 3.1, 8.6, 1.3), Vertical(15, Rgba{130, 130, 220}, 25, kIndigoDark));
    }
    const Shape play = Polygon({{13, 14}, {20, 18.5}, {13, 23}});
    Raised(c, play, Polygon({{13.9, 15.6}, {18.3, 18.5}, {13.9, 21.4}}), Vertical(14, Rgba{140, 240, 140}, 23, kGreenDark));
    return c.ToArgb();
}

QImage StopIcon()
{
    Canvas c(32, 32, kClear);
    Raised(c, RoundRect(9, 9, 14, 14, 2), RoundRect(10, 10, 12, 12, 1.4), Vertical(10, Rgba{255, 120, 100}, 22, kRedDark));
    c.Fill(Minus(RoundRect(10, 10, 12, 12, 1.4), RoundRect(10.8, 10.8, 12, 12, 1.4)), WithAlpha(kMetalLight, 170));
    return c.ToArgb();
}

QImage PauseIcon(bool paused)
{
    Canvas c(32, 32, kClear);
    if (paused) c.Fill(RoundRect(6, 6, 20, 20, 6), Radial(16, 16, 11, Rgba{255, 200, 60, 140}, Rgba{255, 200, 60, 0}));
    const Rgba top = paused ? Rgba{255, 240, 150} : Rgba{140, 140, 230};
    const Rgba bottom = paused ? kOrange : kIndigoDark;
    for (const double x : {10.0, 18.0}) {
        Raised(c, RoundRect(x, 9, 5, 14, 1.2), RoundRect(x + 1, 10, 3, 12, 0.8), Vertical(10, top, 22, bottom));
        c.Fill(Rect(x + 1, 10, 0.8, 12), WithAlpha(kMetalLight, 150));
    }
    return c.ToArgb();
}

QImage PresetIcon(bool add)
{
    Canvas c(32, 32, kClear);
    const Shape bar = RoundRect(10.5, 14.3, 11, 3.4, 0.8);
    const Shape sign = add ? Union(bar, RoundRect(14.3, 10.5, 3.4, 11, 0.8)) : bar;
    const Shape inner = add ? Union(RoundRect(11.3, 15.1, 9.4, 1.8, 0.5), RoundRect(15.1, 11.3, 1.8, 9.4, 0.5))
                            : RoundRect(11.3, 15.1, 9.4, 1.8, 0.5);
    Raised(c, sign, inner, add ? Vertical(11, Rgba{150, 245, 150}, 21, kGreenDark) : Vertical(14, Rgba{255, 130, 110}, 18, kRedDark));
    return c.ToArgb();
}

QImage StartBitmap(bool running)
{
    Canvas c(22, 20, kLightGrey);
    const Shape play = Polygon({{5, 3}, {17.5, 10}, {5, 17}});
    const Shape face = Polygon({{6, 4.8}, {15.5, 10}, {6, 15.2}});
    c.Fill(Offset(play, 1, 1), Rgba{128, 128, 128});
    c.Fill(play, running ? Rgba{150, 70, 0} : kGreenDark);
    c.Fill(face, running ? Vertical(5, Rgba{255, 245, 170}, 15, kOrange) : Vertical(5, Rgba{130, 235, 130}, 15, Rgba{30, 150, 30}));
    c.Fill(Stroke({{6.4, 5.6}, {6.4, 14.4}}, 0.8), WithAlpha(kMetalLight, running ? 230 : 170));
    return c.ToRgb();
}

namespace {

const QList<QRgb> kSixteenColours{
    qRgb(0, 0, 0),     qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),   qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0), qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),   qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};

struct LogoColours {
    Rgba ground;
    Paint plate;
    Rgba rimDark;
    Rgba rimLight;
    Rgba grid;
    Rgba sine;
    Paint wave;
    Paint letters;
    Rgba tagline;
};

LogoColours LogoScheme(bool sixteen)
{
    auto flat = [](Rgba c) -> Paint { return [c](double, double) { return c; }; };
    if (sixteen)
        return {kLightGrey, flat(Rgba{0, 0, 0}), Rgba{128, 128, 128}, Rgba{255, 255, 255}, Rgba{0, 0, 128},
                Rgba{0, 128, 0}, flat(Rgba{255, 255, 0}), flat(Rgba{255, 255, 255}), Rgba{0, 255, 0}};
    return {Rgba{0x99, 0x99, 0xFF}, Vertical(1, kIndigoDark, 23, Rgba{10, 10, 34}), Rgba{80, 80, 170},
            Rgba{214, 214, 255}, WithAlpha(kIndigo, 200), WithAlpha(kGreen, 150), Vertical(6, kAmber, 18, kOrange),
            Vertical(5, kMetalLight, 19, Rgba{150, 150, 178}), kGreen};
}

}  // namespace

QImage LogoStrip(bool sixteenColours)
{
    const LogoColours s = LogoScheme(sixteenColours);
    Canvas c(284, 24, s.ground);
    const Shape plate = RoundRect(0, 0, 284, 24, 4);
    c.Fill(plate, s.rimLight);
    c.Fill(RoundRect(0, 0, 283, 23, 4), s.rimDark);
    c.Fill(RoundRect(1, 1, 282, 22, 3.4), s.plate);
    for (const double y : {6.0, 12.0, 18.0}) c.Fill(Rect(7, y, 24, 1), s.grid);
    c.Fill(Stroke(SinePoints(7.5, 30.5, 12.5, 8.0, 1.0), 1.0), s.sine);
    c.Fill(Stroke(WavePoints(7.5, 30.5, 12.5, 6.0, 1.0), 2.2), s.wave);
    c.Fill(Rect(36, 4, 1, 17), s.grid);
    const Shape name = lettering::Capitals("CALYRIX", 42, 5, 14, 2.4, 2.6);
    if (!sixteenColours) c.Fill(Offset(name, 0.8, 1.0), Rgba{0, 0, 0, 160});
    c.Fill(name, s.letters);
    const char* tagline = "TUBE & TAPE SATURATION";
    lettering::PixelText(c, tagline, 284 - 9 - lettering::PixelTextWidth(tagline), 12, s.tagline);
    return sixteenColours ? c.ToIndexed(kSixteenColours) : c.ToRgb();
}

}  // namespace art
