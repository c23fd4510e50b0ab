#include "tools/embrel-images/Lettering.h"

#include <cstring>
#include <vector>

#include "tools/embrel-images/Shapes.h"

namespace lettering {

namespace {

using shapes::Point;

struct Capital {
    char letter;
    double width;  // in cap heights
    std::vector<std::vector<Point>> strokes;
    // Bowls: centre x, centre y, radius, from and to angle (all in cap heights / degrees).
    std::vector<std::vector<double>> arcs;
};

const std::vector<Capital>& Capitals()
{
    static const std::vector<Capital> kCapitals{
        {'C', 0.86, {}, {{0.45, 0.5, 0.5, 48, 312}}},
        {'A', 0.84, {{{0, 1}, {0.42, 0}, {0.84, 1}}, {{0.18, 0.64}, {0.66, 0.64}}}, {}},
        {'L', 0.6, {{{0, 0}, {0, 1}, {0.6, 1}}}, {}},
        {'Y', 0.8, {{{0, 0}, {0.4, 0.52}, {0.8, 0}}, {{0.4, 0.52}, {0.4, 1}}}, {}},
        {'R', 0.68, {{{0, 1}, {0, 0}, {0.4, 0}}, {{0.4, 0.52}, {0, 0.52}}, {{0.34, 0.52}, {0.68, 1}}},
         {{0.4, 0.26, 0.26, -90, 90}}},
        {'I', 0.0, {{{0, 0}, {0, 1}}}, {}},
        {'X', 0.78, {{{0, 0}, {0.78, 1}}, {{0.78, 0}, {0, 1}}}, {}},
    };
    return kCapitals;
}

const Capital* Find(char c)
{
    for (const Capital& cap : Capitals())
        if (cap.letter == c) return &cap;
    return nullptr;
}

Shape LetterShape(const Capital& cap, double x, double top, double h, double stroke)
{
    Shape shape = [](double, double) { return false; };
    for (const auto& line : cap.strokes) {
        std::vector<Point> points;
        for (const Point& p : line) points.push_back({x + p.x * h, top + p.y * h});
        shape = shapes::Union(std::move(shape), shapes::Stroke(points, stroke));
    }
    for (const auto& a : cap.arcs)
        shape = shapes::Union(std::move(shape),
                              shapes::Arc(x + a[0] * h, top + a[1] * h, a[2] * h, stroke, a[3], a[4]));
    return shape;
}

struct PixelGlyph {
    char letter;
    const char* rows[7];
};

const PixelGlyph kPixelGlyphs[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'I', {"###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'&', {".##..", "#..#.", "#.#..", ".#...", "#.#.#", "#..#.", ".##.#"}},
    {' ', {"...", "...", "...", "...", "...", "...", "..."}},
};

const PixelGlyph* FindPixel(char c)
{
    for (const PixelGlyph& g : kPixelGlyphs)
        if (g.letter == c) return &g;
    return nullptr;
}

}  // namespace

Shape Capitals(const char* text, double x, double top, double height, double stroke, double gap)
{
    Shape shape = [](double, double) { return false; };
    double pen = x + stroke / 2;
    bool first = true;
    for (const char* p = text; *p != '\0'; ++p) {
        const Capital* cap = Find(*p);
        if (cap == nullptr) continue;
        if (!first) pen += gap + stroke;
        first = false;
        shape = shapes::Union(std::move(shape), LetterShape(*cap, pen, top, height, stroke));
        pen += cap->width * height;
    }
    return shape;
}

void PixelText(Canvas& canvas, const char* text, int x, int top, Rgba colour)
{
    for (const char* p = text; *p != '\0'; ++p) {
        const PixelGlyph* g = FindPixel(*p);
        if (g == nullptr) continue;
        const int w = static_cast<int>(std::strlen(g->rows[0]));
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < w; ++col)
                if (g->rows[row][col] == '#') canvas.SetPixel(x + col, top + row, colour);
        x += w + 1;
    }
}

int PixelTextWidth(const char* text)
{
    int width = 0;
    for (const char* p = text; *p != '\0'; ++p)
        if (const PixelGlyph* g = FindPixel(*p)) width += static_cast<int>(std::strlen(g->rows[0])) + 1;
    return width > 0 ? width - 1 : 0;
}

}  // namespace lettering
