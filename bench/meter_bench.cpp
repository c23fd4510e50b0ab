// The cost of one meter tick for the main window's two meters: the levels move every tick,
// so lamps change and are reported as they do during a run. At six ticks a second this is
// the meters' whole work on their thread.
#include <benchmark/benchmark.h>

#include "program/ui/CLevelMeter.h"
#include "program/ui/CMeterDriver.h"

namespace {

void BM_TwoMetersTick(benchmark::State& state)
{
    CLevelMeter meters[2];
    int invalidated = 0;
    CMeterDriver driver;
    for (CLevelMeter& meter : meters) {
        meter.SetClientSize(15, 206);
        meter.SetSegments(18);
        meter.SetInvalidate([&invalidated](const CLevelMeter::Rect&) { ++invalidated; });
        driver.AddMeter(&meter);
    }
    int tick = 0;
    driver.Start([&tick](int slot, int* current, int* held, int* over) {
        *current = *held = -((tick * 7 + slot * 5) % 24);
        *over = *current == 0;
    }, 18, 18, 170, 170, 5);
    for (auto _ : state) {
        ++tick;
        driver.Tick();
    }
    benchmark::DoNotOptimize(invalidated);
    state.counters["lamps/tick"] = benchmark::Counter(double(invalidated) / double(state.iterations()));
}
BENCHMARK(BM_TwoMetersTick);

}  // namespace

BENCHMARK_MAIN();
