#include "tools/embrel-images/Shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace shapes {

namespace {

double SegmentDistance(Point p, Point a, Point b)
{
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

double NormaliseDegrees(double deg)
{
    const double d = std::fmod(deg, 360.0);
    return d < 0 ? d + 360.0 : d;
}

}  // namespace

Shape Circle(double cx, double cy, double r)
{
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

Shape Rect(double x0, double y0, double w, double h)
{
    return [=](double x, double y) { return x >= x0 && x < x0 + w && y >= y0 && y < y0 + h; };
}

Shape RoundRect(double x0, double y0, double w, double h, double r)
{
    return [=](double x, double y) {
        if (x < x0 || x >= x0 + w || y < y0 || y >= y0 + h) return false;
        const double cx = std::clamp(x, x0 + r, x0 + w - r);
        const double cy = std::clamp(y, y0 + r, y0 + h - r);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
    };
}

Shape Polygon(std::vector<Point> points)
{
    return [points = std::move(points)](double x, double y) {
        bool inside = false;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const Point a = points[i];
            const Point b = points[j];
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
                inside = !inside;
        }
        return inside;
    };
}

Shape Stroke(std::vector<Point> points, double width)
{
    return [points = std::move(points), half = width / 2](double x, double y) {
        if (points.size() == 1) return SegmentDistance({x, y}, points[0], points[0]) <= half;
        for (size_t i = 1; i < points.size(); ++i)
            if (SegmentDistance({x, y}, points[i - 1], points[i]) <= half) return true;
        return false;
    };
}

Shape Arc(double cx, double cy, double r, double width, double fromDeg, double toDeg)
{
    const double span = toDeg - fromDeg;
    const double rad = std::numbers::pi / 180.0;
    const Point start{cx + r * std::cos(fromDeg * rad), cy - r * std::sin(fromDeg * rad)};
    const Point end{cx + r * std::cos(toDeg * rad), cy - r * std::sin(toDeg * rad)};
    return [=](double x, double y) {
        const double half = width / 2;
        const double angle = std::atan2(-(y - cy), x - cx) / rad;
        if (NormaliseDegrees(angle - fromDeg) <= span)
            return std::abs(std::hypot(x - cx, y - cy) - r) <= half;
        return std::hypot(x - start.x, y - start.y) <= half || std::hypot(x - end.x, y - end.y) <= half;
    };
}

Shape Union(Shape a, Shape b)
{
    return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) || b(x, y); };
}

Shape Minus(Shape a, Shape b)
{
    return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) && !b(x, y); };
}

Shape Offset(Shape s, double dx, double dy)
{
    return [s = std::move(s), dx, dy](double x, double y) { return s(x - dx, y - dy); };
}

Rgba Mix(Rgba a, Rgba b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba WithAlpha(Rgba c, double a)
{
    c.a = a;
    return c;
}

Paint Vertical(double y0, Rgba c0, double y1, Rgba c1)
{
    return [=](double, double y) { return Mix(c0, c1, std::clamp((y - y0) / (y1 - y0), 0.0, 1.0)); };
}

Paint Radial(double cx, double cy, double r, Rgba c0, Rgba c1)
{
    return [=](double x, double y) { return Mix(c0, c1, std::clamp(std::hypot(x - cx, y - cy) / r, 0.0, 1.0)); };
}

}  // namespace shapes
