#include "tools/embrel-images/SplashArt.h"

#include <cmath>
#include <numbers>

#include "tools/embrel-images/Canvas.h"
#include "tools/embrel-images/Lettering.h"
#include "tools/embrel-images/ProgramArt.h"
#include "tools/embrel-images/Shapes.h"

namespace art {

namespace {

using namespace shapes;

constexpr Rgba kShadow{20, 20, 60, 90};
constexpr Rgba kOutline{40, 40, 72};
constexpr Rgba kMetalLight{250, 250, 255};
constexpr Rgba kIndigo{52, 52, 140};
constexpr Rgba kIndigoDark{26, 26, 74};
constexpr Rgba kNight{10, 10, 34};
constexpr Rgba kGreen{50, 200, 50};
constexpr Rgba kAmber{255, 200, 60};
constexpr Rgba kOrange{235, 120, 20};
constexpr Rgba kLightGrey{192, 192, 192};

// Width of lettering::Capitals for "CALYRIX", in cap heights, without gaps and strokes.
constexpr double kNameWidth = 4.56;

// The picture's colour table: a coarse colour cube and ramps for its indigo, glow, metal
// and green, 256 entries in all.
QList<QRgb> PictureTable()
{
    QList<QRgb> table;
    for (int r = 0; r < 5; ++r)
        for (int g = 0; g < 5; ++g)
            for (int b = 0; b < 4; ++b) table.push_back(qRgb(r * 255 / 4, g * 255 / 4, b * 255 / 3));
    auto ramp = [&table](Rgba from, Rgba to, int count) {
        for (int i = 0; i < count; ++i) {
            const Rgba c = Mix(from, to, double(i) / (count - 1));
            table.push_back(qRgb(int(std::lround(c.r)), int(std::lround(c.g)), int(std::lround(c.b))));
        }
    };
    ramp(Rgba{4, 4, 14}, Rgba{153, 153, 255}, 64);
    ramp(Rgba{60, 20, 0}, Rgba{255, 250, 200}, 48);
    ramp(Rgba{24, 24, 30}, Rgba{255, 255, 255}, 28);
    ramp(Rgba{6, 40, 6}, Rgba{170, 255, 170}, 16);
    return table;
}

// A glowing valve: glass, plates, filament and base, centred on cx with its top at top.
void Valve(Canvas& c, double cx, double top, double scale)
{
    const double r = 6.5 * scale;
    const Shape glass = Union(Circle(cx, top + r, r), Rect(cx - r, top + r, 2 * r, 14 * scale));
    const double mid = top + r + 4 * scale;
    c.Fill(Circle(cx, mid, 13 * scale), Radial(cx, mid, 13 * scale, Rgba{255, 170, 60, 170}, Rgba{255, 170, 60, 0}));
    c.Fill(Offset(glass, scale, scale), kShadow);
    c.Fill(glass, Rgba{255, 190, 110, 190});
    c.Fill(Minus(glass, Offset(glass, 0.9 * scale, 0)), WithAlpha(kOutline, 170));
    c.Fill(Minus(glass, Offset(glass, -0.9 * scale, 0)), WithAlpha(kOutline, 170));
    c.Fill(RoundRect(cx - 3.5 * scale, top + 5 * scale, 7 * scale, 11 * scale, 0.8 * scale), Rgba{150, 110, 90});
    c.Fill(Rect(cx - 1.5 * scale, top + 6 * scale, 3 * scale, 9 * scale), Rgba{90, 50, 30});
    c.Fill(Stroke({{cx, top + 7 * scale}, {cx, top + 14 * scale}}, 1.2 * scale), Rgba{255, 236, 120});
    c.Fill(Circle(cx, mid, 5.5 * scale), Radial(cx, mid, 5.5 * scale, Rgba{255, 250, 200, 235}, Rgba{255, 140, 30, 0}));
    c.Fill(Stroke({{cx - 4.6 * scale, top + 5 * scale}, {cx - 4.6 * scale, top + 16 * scale}}, scale),
           WithAlpha(kMetalLight, 190));
    const Shape base = RoundRect(cx - 7 * scale, top + 19 * scale, 14 * scale, 4 * scale, scale);
    c.Fill(Offset(base, scale, scale), kShadow);
    c.Fill(base, Vertical(top + 19 * scale, Rgba{110, 110, 124}, top + 23 * scale, Rgba{30, 30, 40}));
}

// A tape reel seen from the front, with three spokes.
void Reel(Canvas& c, double cx, double cy, double r)
{
    c.Fill(Circle(cx + 1, cy + 1.2, r), kShadow);
    c.Fill(Circle(cx, cy, r), Radial(cx - r * 0.4, cy - r * 0.4, r * 1.8, Rgba{210, 210, 226}, Rgba{90, 90, 110}));
    c.Fill(Circle(cx, cy, r * 0.72), Rgba{70, 46, 30});
    c.Fill(Circle(cx, cy, r * 0.3), Rgba{200, 200, 214});
    for (int k = 0; k < 3; ++k) {
        const double a = (90.0 + k * 120.0) * std::numbers::pi / 180.0;
        c.Fill(Circle(cx + r * 0.5 * std::cos(a), cy - r * 0.5 * std::sin(a), r * 0.14), Rgba{30, 30, 44});
    }
    c.Fill(Circle(cx, cy, r * 0.08), Rgba{30, 30, 44});
}

void Name(Canvas& c, double cx, double top, double height, double stroke, double gap)
{
    const double x = cx - (kNameWidth * height + 6 * (gap + stroke) + stroke) / 2;
    const Shape name = lettering::Capitals("CALYRIX", x, top, height, stroke, gap);
    c.Fill(Offset(name, height / 18, height / 15), Rgba{0, 0, 0, 160});
    c.Fill(name, Vertical(top, kMetalLight, top + height, Rgba{150, 150, 178}));
}

}  // namespace

QImage ProductPicture()
{
    Canvas c(333, 350, kNight);
    c.Fill(Rect(0, 0, 333, 350), Vertical(0, kIndigo, 350, kNight));
    c.Fill(Minus(Rect(0, 0, 333, 350), Rect(3, 3, 327, 344)), Rgba{153, 153, 255});
    c.Fill(Minus(Rect(3, 3, 327, 344), Rect(5, 5, 323, 340)), kIndigoDark);
    for (double y = 40; y < 200; y += 20) c.Fill(Rect(20, y, 293, 1), WithAlpha(kIndigo, 160));
    c.Fill(Stroke(SinePoints(20, 313, 120, 60, 2.0), 1.6), WithAlpha(kGreen, 140));
    c.Fill(Stroke(WavePoints(20, 313, 120, 46, 2.0), 4.0), Vertical(70, kAmber, 170, kOrange));
    Reel(c, 70, 120, 34);
    Reel(c, 263, 120, 34);
    Valve(c, 166.5, 42, 6.0);
    Name(c, 166.5, 228, 40, 6.5, 8);
    c.Fill(Stroke(WavePoints(30, 303, 300, 10, 3.0), 2.4), Vertical(290, kAmber, 310, kOrange));
    const char* tagline = "TUBE & TAPE SATURATION";
    lettering::PixelText(c, tagline, (333 - lettering::PixelTextWidth(tagline)) / 2, 326, kGreen);
    return c.ToIndexed(PictureTable());
}

QImage AboutLogo()
{
    Canvas c(183, 69, kLightGrey);
    c.Fill(RoundRect(0, 0, 183, 69, 6), Rgba{214, 214, 255});
    c.Fill(RoundRect(1, 1, 182, 68, 6), Rgba{80, 80, 170});
    c.Fill(RoundRect(2, 2, 179, 65, 5), Vertical(2, kIndigoDark, 67, kNight));
    for (const double y : {14.0, 24.0, 34.0}) c.Fill(Rect(8, y, 167, 1), WithAlpha(kIndigo, 200));
    c.Fill(Stroke(SinePoints(8, 175, 24, 14, 2.0), 1.0), WithAlpha(kGreen, 150));
    c.Fill(Stroke(WavePoints(8, 175, 24, 11, 2.0), 2.4), Vertical(12, kAmber, 36, kOrange));
    Name(c, 91.5, 41, 18, 3.0, 3.6);
    return c.ToRgb();
}

QImage AboutEmblem()
{
    Canvas c(100, 48, kLightGrey);
    c.Fill(RoundRect(1, 1, 98, 46, 5), Rgba{255, 255, 255});
    c.Fill(RoundRect(2, 2, 98, 46, 5), Rgba{128, 128, 128});
    c.Fill(RoundRect(2, 2, 96, 44, 4.5), Vertical(2, kIndigo, 46, kIndigoDark));
    Valve(c, 24, 6, 1.55);
    Reel(c, 62, 24, 15);
    Reel(c, 84, 24, 9);
    c.Fill(Stroke({{62, 39}, {84, 33}}, 1.4), Rgba{70, 46, 30});
    return c.ToRgb();
}

}  // namespace art
