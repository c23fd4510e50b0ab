#include "tools/embrel-images/Canvas.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kSamples = 4;

int Channel(double v) { return std::clamp(static_cast<int>(std::lround(v)), 0, 255); }

}  // namespace

Canvas::Canvas(int width, int height, Rgba background)
    : width(width), height(height),
      pixels(static_cast<size_t>(width) * height,
             Premultiplied{background.r * background.a / 255.0, background.g * background.a / 255.0,
                           background.b * background.a / 255.0, background.a})
{
}

void Canvas::Fill(const Shape& shape, const Paint& paint)
{
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Premultiplied src{0, 0, 0, 0};
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double px = x + (sx + 0.5) / kSamples;
                    const double py = y + (sy + 0.5) / kSamples;
                    if (!shape(px, py)) continue;
                    const Rgba c = paint(px, py);
                    const double a = c.a / 255.0;
                    src.r += c.r * a;
                    src.g += c.g * a;
                    src.b += c.b * a;
                    src.a += c.a;
                }
            }
            constexpr double n = kSamples * kSamples;
            if (src.a == 0) continue;
            Premultiplied& dst = At(x, y);
            const double keep = 1.0 - src.a / n / 255.0;
            dst.r = src.r / n + dst.r * keep;
            dst.g = src.g / n + dst.g * keep;
            dst.b = src.b / n + dst.b * keep;
            dst.a = src.a / n + dst.a * keep;
        }
    }
}

void Canvas::Fill(const Shape& shape, Rgba colour)
{
    Fill(shape, [colour](double, double) { return colour; });
}

void Canvas::SetPixel(int x, int y, Rgba colour)
{
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    At(x, y) = Premultiplied{colour.r * colour.a / 255.0, colour.g * colour.a / 255.0,
                             colour.b * colour.a / 255.0, colour.a};
}

QRgb Canvas::Straight(int x, int y) const
{
    const Premultiplied& p = pixels[static_cast<size_t>(y) * width + x];
    const int a = Channel(p.a);
    if (a == 0) return qRgba(0, 0, 0, 0);
    const double k = 255.0 / p.a;
    return qRgba(Channel(p.r * k), Channel(p.g * k), Channel(p.b * k), a);
}

QImage Canvas::ToArgb() const
{
    QImage img(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) img.setPixel(x, y, Straight(x, y));
    return img;
}

QImage Canvas::ToRgb() const
{
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) img.setPixel(x, y, Straight(x, y) | 0xFF000000u);
    return img;
}

QImage Canvas::ToIndexed(const QList<QRgb>& table) const
{
    QImage img(width, height, QImage::Format_Indexed8);
    img.setColorTable(table);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb c = Straight(x, y);
            int best = 0;
            int bestDistance = std::numeric_limits<int>::max();
            for (int i = 0; i < table.size(); ++i) {
                const int dr = qRed(c) - qRed(table[i]);
                const int dg = qGreen(c) - qGreen(table[i]);
                const int db = qBlue(c) - qBlue(table[i]);
                const int d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            img.setPixel(x, y, static_cast<uint>(best));
        }
    }
    return img;
}
