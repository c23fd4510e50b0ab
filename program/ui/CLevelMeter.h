#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

// One LED-style level meter without its toolkit: N lamps laid out along the longer side
// of the client area (bottom to top, or left to right), the last one set apart as the clip
// lamp. The cache holds every lamp twice, unlit at its rectangle and lit at the rectangle
// moved by the lit offset; a window copies lamps out of it. SetSegment may be called from
// any thread; it reports each lamp whose state changed through the invalidate callback.
class CLevelMeter {
public:
    using Colour = std::uint32_t;  // 0xFFRRGGBB

    struct Rect {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        int Width() const { return right - left; }
        int Height() const { return bottom - top; }
        bool operator==(const Rect&) const = default;
    };

    struct Step {
        int lit = 0;
        Colour unlitColour = 0;
        Colour litColour = 0;
        Rect rect;
    };

    struct Cache {
        int width = 0;
        int height = 0;
        std::vector<Colour> pixels;  // row by row
        Colour& At(int x, int y) { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    };

    CLevelMeter() = default;
    CLevelMeter(const CLevelMeter&) = delete;
    CLevelMeter& operator=(const CLevelMeter&) = delete;

    // Called with the rectangle of a lamp that must be drawn again.
    void SetInvalidate(std::function<void(const Rect&)> invalidate);
    // The window's client size; lays the meter out again when it has steps.
    void SetClientSize(int width, int height);
    void SetSegments(int n);
    void SetSegment(int index, int lit);
    // A system colour change: the cache is drawn again.
    void OnSysColorChange();

    int GetStepCount() const;
    std::vector<Step> GetSteps() const;
    int IsLit(int index) const;
    // Where the lit picture lies in the cache.
    void GetLitOffset(int* dx, int* dy) const;
    // Calls draw with the cache (null when there is none) and the steps, under the meter's lock.
    void WithCache(const std::function<void(const Cache*, const std::vector<Step>&)>& draw) const;

    static void DrawSegment(Cache& dc, const Step& step);

    static constexpr Colour EdgeLight = 0xFFFFFFFF;
    static constexpr Colour EdgeFace = 0xFFC0C0C0;
    static constexpr Colour EdgeShadow = 0xFF808080;
    static constexpr Colour EdgeDarkShadow = 0xFF404040;
    static constexpr Colour White = 0xFFFFFFFF;

private:
    void Layout();
    void BuildCache();

    mutable std::mutex lock;
    std::function<void(const Rect&)> invalidate;
    int stepCount = 10;
    std::vector<Step> steps;
    Cache cache;
    bool hasCache = false;
    int clientWidth = 0;
    int clientHeight = 0;
    int litDx = 0;
    int litDy = 0;
};
