#include "program/ui/CLevelMeter.h"

#include <new>
#include <utility>

namespace {

constexpr CLevelMeter::Colour Rgb(int r, int g, int b)
{
    return 0xFF000000u | CLevelMeter::Colour(r) << 16 | CLevelMeter::Colour(g) << 8 | CLevelMeter::Colour(b);
}

// A one-pixel frame inside r: top and left in one colour, bottom and right in another.
void Frame(CLevelMeter::Cache& dc, const CLevelMeter::Rect& r, CLevelMeter::Colour topLeft,
           CLevelMeter::Colour bottomRight)
{
    if (r.Width() <= 0 || r.Height() <= 0) return;
    for (int x = r.left; x < r.right; ++x) {
        dc.At(x, r.top) = topLeft;
        dc.At(x, r.bottom - 1) = bottomRight;
    }
    for (int y = r.top; y < r.bottom; ++y) {
        dc.At(r.left, y) = topLeft;
        dc.At(r.right - 1, y) = bottomRight;
    }
    dc.At(r.right - 1, r.top) = bottomRight;
    dc.At(r.left, r.bottom - 1) = bottomRight;
}

CLevelMeter::Rect Shrunk(const CLevelMeter::Rect& r, int by)
{
    return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

}  // namespace

void CLevelMeter::SetInvalidate(std::function<void(const Rect&)> callback)
{
    std::lock_guard<std::mutex> guard(lock);
    invalidate = std::move(callback);
}

void CLevelMeter::SetClientSize(int width, int height)
{
    std::lock_guard<std::mutex> guard(lock);
    clientWidth = width > 0 ? width : 0;
    clientHeight = height > 0 ? height : 0;
    if (!steps.empty()) Layout();
}

void CLevelMeter::SetSegments(int n)
{
    if (n <= 0) return;
    std::lock_guard<std::mutex> guard(lock);
    stepCount = n + 1;
    Layout();
}

// The callback runs under the lock so that a window detaching itself never gets a late call.
void CLevelMeter::SetSegment(int index, int lit)
{
    std::lock_guard<std::mutex> guard(lock);
    if (steps.empty()) Layout();
    if (index < 0 || index >= int(steps.size())) return;
    Step& step = steps[std::size_t(index)];
    if ((step.lit != 0) == (lit != 0)) return;
    step.lit = lit != 0;
    if (invalidate) invalidate(step.rect);
}

void CLevelMeter::OnSysColorChange()
{
    std::lock_guard<std::mutex> guard(lock);
    BuildCache();
}

int CLevelMeter::GetStepCount() const
{
    std::lock_guard<std::mutex> guard(lock);
    return stepCount;
}

std::vector<CLevelMeter::Step> CLevelMeter::GetSteps() const
{
    std::lock_guard<std::mutex> guard(lock);
    return steps;
}

int CLevelMeter::IsLit(int index) const
{
    std::lock_guard<std::mutex> guard(lock);
    return index >= 0 && index < int(steps.size()) ? steps[std::size_t(index)].lit : 0;
}

void CLevelMeter::GetLitOffset(int* dx, int* dy) const
{
    std::lock_guard<std::mutex> guard(lock);
    *dx = litDx;
    *dy = litDy;
}

void CLevelMeter::WithCache(const std::function<void(const Cache*, const std::vector<Step>&)>& draw) const
{
    std::lock_guard<std::mutex> guard(lock);
    draw(hasCache ? &cache : nullptr, steps);
}

void CLevelMeter::Layout()
{
    const int n = stepCount;
    steps.assign(std::size_t(n), Step{});
    const bool vertical = clientHeight > clientWidth;
    litDx = vertical ? clientWidth : 0;
    litDy = vertical ? 0 : clientHeight;
    const int length = vertical ? clientHeight : clientWidth;
    const int size = 2 * length / (2 * n + 1);
    for (int i = 0; i < n; ++i) {
        Rect& r = steps[std::size_t(i)].rect;
        const bool last = i == n - 1;
        if (vertical) {
            r.left = 0;
            r.right = clientWidth;
            r.bottom = last ? size : clientHeight - i * size;
            r.top = last ? 0 : r.bottom - size;
        } else {
            r.top = 0;
            r.bottom = clientHeight;
            r.right = last ? clientWidth : i * size + size;
            r.left = last ? clientWidth - size : i * size;
        }
        Step& step = steps[std::size_t(i)];
        if (last) step.unlitColour = Rgb(128, 0, 0), step.litColour = Rgb(255, 0, 0);
        else if (i >= n - 3) step.unlitColour = Rgb(128, 128, 0), step.litColour = Rgb(255, 255, 0);
        else step.unlitColour = Rgb(0, 0x66, 0), step.litColour = Rgb(0, 255, 0);
    }
    BuildCache();
}

void CLevelMeter::BuildCache()
{
    cache = Cache{};
    hasCache = false;
    const int width = clientWidth + litDx;
    const int height = clientHeight + litDy;
    if (width <= 0 || height <= 0) return;
    try {
        cache.pixels.assign(std::size_t(width) * std::size_t(height), 0xFF000000u);
    } catch (const std::bad_alloc&) {
        return;
    }
    cache.width = width;
    cache.height = height;
    for (const Step& step : steps) {
        Step unlit = step;
        unlit.lit = 0;
        DrawSegment(cache, unlit);
        Step lit = step;
        lit.lit = 1;
        lit.rect = {step.rect.left + litDx, step.rect.top + litDy, step.rect.right + litDx, step.rect.bottom + litDy};
        DrawSegment(cache, lit);
    }
    hasCache = true;
}

// A bump edge (raised outside, sunken inside), the lamp's colour, and a highlight of four
// pixels at the top left: white on a lit lamp, the lit colour on a dark one.
void CLevelMeter::DrawSegment(Cache& dc, const Step& step)
{
    Rect r = step.rect;
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > dc.width) r.right = dc.width;
    if (r.bottom > dc.height) r.bottom = dc.height;
    Frame(dc, r, EdgeLight, EdgeDarkShadow);
    Frame(dc, Shrunk(r, 1), EdgeShadow, EdgeFace);
    const Rect inner = Shrunk(r, 2);
    if (inner.Width() <= 0 || inner.Height() <= 0) return;
    const Colour fill = step.lit ? step.litColour : step.unlitColour;
    for (int y = inner.top; y < inner.bottom; ++y)
        for (int x = inner.left; x < inner.right; ++x) dc.At(x, y) = fill;
    const Colour spot = step.lit ? White : step.litColour;
    const std::pair<int, int> highlight[] = {{0, 0}, {1, 0}, {2, 0}, {0, 1}};
    for (const auto& [hx, hy] : highlight)
        if (inner.left + hx < inner.right && inner.top + hy < inner.bottom) dc.At(inner.left + hx, inner.top + hy) = spot;
}
