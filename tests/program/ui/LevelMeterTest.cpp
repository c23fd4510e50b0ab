#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <thread>
#include <vector>

#include "program/ui/CLevelMeter.h"
#include "program/ui/CMeterDriver.h"

namespace {

// A vertical meter of 18 bar lamps and a clip lamp, as the main window has.
struct Meter {
    CLevelMeter meter;
    std::vector<CLevelMeter::Rect> invalidated;
    Meter(int width = 15, int height = 206)
    {
        meter.SetClientSize(width, height);
        meter.SetSegments(18);
        meter.SetInvalidate([this](const CLevelMeter::Rect& r) { invalidated.push_back(r); });
    }
    std::vector<int> LitBar() const
    {
        std::vector<int> lit;
        for (int s = 0; s < 18; ++s)
            if (meter.IsLit(s)) lit.push_back(s);
        return lit;
    }
};

std::vector<int> Range(int first, int last)
{
    std::vector<int> r;
    for (int s = first; s <= last; ++s) r.push_back(s);
    return r;
}

// One meter fed from a scripted level, driven as the main window drives it.
struct Driven {
    Meter m;
    CMeterDriver driver;
    int current = -100, held = -100, over = 0;
    Driven()
    {
        driver.AddMeter(&m.meter);
        driver.Start([this](int, int* c, int* h, int* o) { *c = current, *h = held, *o = over; }, 18, 18, 170, 170, 5);
    }
    void Level(int db, int isOver = 0) { current = held = db, over = isOver; }
};

TEST(LevelMeterLayout, VerticalFromBottomWithTheClipLampApart)
{
    Meter m(15, 206);
    const auto steps = m.meter.GetSteps();
    ASSERT_EQ(steps.size(), 19u);
    const int step = 2 * 206 / 39;
    EXPECT_EQ(steps[0].rect, (CLevelMeter::Rect{0, 206 - step, 15, 206}));
    EXPECT_EQ(steps[17].rect, (CLevelMeter::Rect{0, 206 - 18 * step, 15, 206 - 17 * step}));
    EXPECT_EQ(steps[18].rect, (CLevelMeter::Rect{0, 0, 15, step}));
    EXPECT_GT(steps[17].rect.top - steps[18].rect.bottom, step / 3);
    int dx = -1, dy = -1;
    m.meter.GetLitOffset(&dx, &dy);
    EXPECT_EQ(dx, 15);
    EXPECT_EQ(dy, 0);
    EXPECT_EQ(steps[18].litColour, 0xFFFF0000u);
    EXPECT_EQ(steps[16].litColour, 0xFFFFFF00u);
    EXPECT_EQ(steps[15].litColour, 0xFF00FF00u);
    EXPECT_EQ(steps[15].unlitColour, 0xFF006600u);
}

TEST(LevelMeterLayout, WiderThanTallRunsLeftToRightWithTheClipLampAtTheRight)
{
    Meter m(300, 12);
    const auto steps = m.meter.GetSteps();
    const int step = 2 * 300 / 39;
    EXPECT_EQ(steps[0].rect, (CLevelMeter::Rect{0, 0, step, 12}));
    EXPECT_EQ(steps[5].rect.left, 5 * step);
    EXPECT_EQ(steps[18].rect, (CLevelMeter::Rect{300 - step, 0, 300, 12}));
    int dx = -1, dy = -1;
    m.meter.GetLitOffset(&dx, &dy);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 12);
}

TEST(LevelMeterLayout, NoStepsUntilSegmentsAreSetAndBadCountsIgnored)
{
    CLevelMeter meter;
    meter.SetClientSize(10, 100);
    EXPECT_EQ(meter.GetStepCount(), 10);
    meter.SetSegments(0);
    meter.SetSegments(-3);
    EXPECT_EQ(meter.GetStepCount(), 10);
    EXPECT_TRUE(meter.GetSteps().empty());
    // Setting a lamp lays the meter out first.
    meter.SetSegment(9, 1);
    EXPECT_EQ(meter.GetSteps().size(), 10u);
    EXPECT_EQ(meter.IsLit(9), 1);
    meter.SetSegment(10, 1);  // out of range: nothing happens
}

TEST(LevelMeterPaint, OnlyChangedLampsAreInvalidated)
{
    Meter m;
    m.meter.SetSegment(3, 0);
    EXPECT_TRUE(m.invalidated.empty());
    m.meter.SetSegment(3, 1);
    m.meter.SetSegment(3, 5);  // still lit
    ASSERT_EQ(m.invalidated.size(), 1u);
    EXPECT_EQ(m.invalidated[0], m.meter.GetSteps()[3].rect);
    m.meter.SetSegment(3, 0);
    EXPECT_EQ(m.invalidated.size(), 2u);
}

TEST(LevelMeterPaint, CacheHoldsEachLampUnlitAndLitWithItsEdgeAndHighlight)
{
    Meter m(15, 206);
    m.meter.WithCache([](const CLevelMeter::Cache* cache, const std::vector<CLevelMeter::Step>& steps) {
        ASSERT_NE(cache, nullptr);
        ASSERT_EQ(cache->width, 30);
        ASSERT_EQ(cache->height, 206);
        auto at = [cache](int x, int y) { return cache->pixels[std::size_t(y * cache->width + x)]; };
        const CLevelMeter::Rect r = steps[0].rect;
        EXPECT_EQ(at(r.left, r.top), CLevelMeter::EdgeLight);
        EXPECT_EQ(at(r.right - 1, r.bottom - 1), CLevelMeter::EdgeDarkShadow);
        EXPECT_EQ(at(r.left + 1, r.top + 1), CLevelMeter::EdgeShadow);
        // Unlit: dark green with a highlight in the lit colour; lit (moved by dx): white highlight.
        EXPECT_EQ(at(r.left + 2, r.top + 2), steps[0].litColour);
        EXPECT_EQ(at(r.left + 4, r.top + 2), steps[0].litColour);
        EXPECT_EQ(at(r.left + 2, r.top + 3), steps[0].litColour);
        EXPECT_EQ(at(r.left + 3, r.top + 3), steps[0].unlitColour);
        EXPECT_EQ(at(r.left + 5, r.top + 2), steps[0].unlitColour);
        EXPECT_EQ(at(15 + r.left + 2, r.top + 2), CLevelMeter::White);
        EXPECT_EQ(at(15 + r.left + 3, r.top + 3), steps[0].litColour);
        EXPECT_EQ(at(15 + r.left + 6, r.bottom - 3), steps[0].litColour);
    });
}

TEST(LevelMeterPaint, AnEmptyClientKeepsNoCache)
{
    Meter m(0, 0);
    m.meter.WithCache([](const CLevelMeter::Cache* cache, const std::vector<CLevelMeter::Step>& steps) {
        EXPECT_EQ(cache, nullptr);
        EXPECT_EQ(steps.size(), 19u);
    });
}

TEST(MeterDriverTick, SteadyMinusSixLightsThirteenLampsAndThePeakAlternates)
{
    Driven d;
    d.Level(-6);
    std::vector<int> peaks;
    for (int i = 0; i < 6; ++i) {
        d.driver.Tick();
        EXPECT_EQ(d.m.LitBar(), Range(0, 12)) << "tick " << i;
        peaks.push_back(d.driver.GetShownPeak(0));
    }
    EXPECT_EQ(peaks, (std::vector<int>{-6, -7, -6, -7, -6, -7}));
    EXPECT_EQ(d.m.meter.IsLit(18), 0);
}

TEST(MeterDriverTick, AfterADropThePeakLampFallsOneLampPerTick)
{
    Driven d;
    d.Level(0);
    d.driver.Tick();
    EXPECT_EQ(d.m.LitBar(), Range(0, 17));
    d.Level(-10);
    for (int peakLamp = 17; peakLamp >= 8; --peakLamp) {
        d.driver.Tick();
        std::vector<int> expected = Range(0, 8);
        if (peakLamp > 8) expected.push_back(peakLamp);
        EXPECT_EQ(d.m.LitBar(), expected) << "peak lamp " << peakLamp;
    }
    d.driver.Tick();
    EXPECT_EQ(d.m.LitBar(), Range(0, 8));
}

TEST(MeterDriverTick, LoudLevelsFillTheBarAndTheClipLampHoldsOneTick)
{
    Driven d;
    d.Level(3, 1);
    d.driver.Tick();
    EXPECT_EQ(d.m.LitBar(), Range(0, 17));
    EXPECT_EQ(d.m.meter.IsLit(18), 1);
    d.Level(-3, 0);
    d.driver.Tick();
    EXPECT_EQ(d.m.meter.IsLit(18), 1);
    d.driver.Tick();
    EXPECT_EQ(d.m.meter.IsLit(18), 0);
}

TEST(MeterDriverTick, AfterARunTheBarGoesDarkAtOnceAndThePeakLeavesTheScale)
{
    Driven d;
    d.Level(-2);
    d.driver.Tick();
    d.Level(-100);
    d.driver.Tick();
    EXPECT_EQ(d.m.LitBar(), std::vector<int>{15});
    for (int i = 0; i < 15; ++i) d.driver.Tick();
    EXPECT_EQ(d.m.LitBar(), std::vector<int>{0});
    d.driver.Tick();
    EXPECT_EQ(d.m.LitBar(), std::vector<int>{});
    EXPECT_EQ(d.m.meter.IsLit(18), 0);
}

TEST(MeterDriverTick, ExtremeLevelsNeverOverflow)
{
    Driven d;
    d.Level(INT_MIN);
    for (int i = 0; i < 3; ++i) d.driver.Tick();
    EXPECT_EQ(d.m.LitBar(), std::vector<int>{});
    d.Level(INT_MAX, 1);
    d.driver.Tick();
    EXPECT_EQ(d.m.LitBar(), Range(0, 17));
    // -19 dB and below light nothing, -18 dB lights lamp 0; the peak is still far above the scale.
    d.Level(-19);
    for (int i = 0; i < 40; ++i) d.driver.Tick();
    EXPECT_EQ(d.m.LitBar(), std::vector<int>{});
    d.Level(-18);
    d.driver.Tick();
    EXPECT_EQ(d.m.LitBar(), std::vector<int>{0});
}

TEST(MeterDriverThread, TicksOnlyWhileRunningAndEndsWithoutWaitingForAPeriod)
{
    CLevelMeter meter;
    meter.SetClientSize(10, 100);
    meter.SetSegments(18);
    std::atomic<int> reads{0};
    auto driver = std::make_unique<CMeterDriver>();
    driver->AddMeter(&meter);
    driver->Run(true);  // before Start: ignored
    EXPECT_FALSE(driver->IsRunning());
    driver->Start([&reads](int, int* c, int* h, int* o) { ++reads, *c = -3, *h = -3, *o = 0; }, 18, 18, 5, 5, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(reads.load(), 0);
    driver->Run(true);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (reads.load() < 3 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    EXPECT_GE(reads.load(), 3);
    EXPECT_TRUE(meter.IsLit(14));
    driver->Run(false);
    const int paused = reads.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_LE(reads.load(), paused + 1);
    // A long period does not hold up the end.
    driver->Start([&reads](int, int*, int*, int*) { ++reads; }, 18, 18, 60000, 0, 0);
    driver->Run(true);
    while (reads.load() == paused && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    const auto before = std::chrono::steady_clock::now();
    driver.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
}

}  // namespace
