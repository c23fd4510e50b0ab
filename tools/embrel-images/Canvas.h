#pragma once

#include <QImage>

#include <functional>
#include <vector>

// A colour with straight (not premultiplied) alpha, channels 0..255.
struct Rgba {
    double r;
    double g;
    double b;
    double a = 255.0;
};

// Whether a point (in pixels, pixel centres at .5) lies inside a shape.
using Shape = std::function<bool(double x, double y)>;
// The colour a layer has at a point.
using Paint = std::function<Rgba(double x, double y)>;

// A small software rasteriser: shapes are filled with 4 x 4 supersampling and composited
// in order. It does its own arithmetic so that every machine draws the same pixels.
class Canvas {
public:
    Canvas(int width, int height, Rgba background);

    void Fill(const Shape& shape, const Paint& paint);
    void Fill(const Shape& shape, Rgba colour);
    // Sets whole pixels without antialiasing.
    void SetPixel(int x, int y, Rgba colour);

    QImage ToArgb() const;
    QImage ToRgb() const;
    // Every pixel replaced by the nearest colour of the table, as an indexed image.
    QImage ToIndexed(const QList<QRgb>& table) const;

private:
    struct Premultiplied {
        double r;
        double g;
        double b;
        double a;
    };
    Premultiplied& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    QRgb Straight(int x, int y) const;

    int width;
    int height;
    std::vector<Premultiplied> pixels;
};
