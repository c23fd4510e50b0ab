#pragma once

#include <vector>

#include "tools/embrel-images/Canvas.h"

// Shapes and paints for Canvas. Coordinates are pixels; angles are degrees counter-clockwise
// from the positive x axis, as on paper (y grows downward on the canvas).
namespace shapes {

struct Point {
    double x;
    double y;
};

Shape Circle(double cx, double cy, double r);
Shape Rect(double x, double y, double w, double h);
Shape RoundRect(double x, double y, double w, double h, double r);
Shape Polygon(std::vector<Point> points);
// A line of the given width through the points, with round ends and joins.
Shape Stroke(std::vector<Point> points, double width);
// A circular arc of the given line width from one angle to the other, with round ends.
Shape Arc(double cx, double cy, double r, double width, double fromDeg, double toDeg);

Shape Union(Shape a, Shape b);
Shape Minus(Shape a, Shape b);
Shape Offset(Shape s, double dx, double dy);

Rgba Mix(Rgba a, Rgba b, double t);
Rgba WithAlpha(Rgba c, double a);
// c0 at y0 to c1 at y1, flat beyond.
Paint Vertical(double y0, Rgba c0, double y1, Rgba c1);
// c0 at the centre to c1 at radius r, flat beyond.
Paint Radial(double cx, double cy, double r, Rgba c0, Rgba c1);

}  // namespace shapes
