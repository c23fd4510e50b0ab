// Process throughput at the program's block sizes for 16-bit files.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/SaturationEngine.h"

namespace {

enum Stages { AllOn, TapeOff, TubeOff };

void BM_Process(benchmark::State& state)
{
    const int channels = static_cast<int>(state.range(0));
    const int frames = static_cast<int>(state.range(1));
    const auto stages = static_cast<Stages>(state.range(2));

    SaturationEngine engine;
    engine.SetFormat(16, 44100, channels);
    engine.SetTape(stages != TapeOff);
    engine.SetTube(stages != TubeOff);

    // Two detuned partials at about -6 dBFS: musical level, not silence.
    std::vector<float> source(static_cast<std::size_t>(frames) * channels);
    for (std::size_t i = 0; i < source.size(); ++i) {
        const double t = static_cast<double>(i / channels) / 44100.0;
        source[i] = static_cast<float>(0.35 * std::sin(2 * M_PI * 220.0 * t) +
                                       0.15 * std::sin(2 * M_PI * 331.0 * t + (i % channels)));
    }
    std::vector<float> block(source.size());

    for (auto _ : state) {
        state.PauseTiming();
        block = source;
        state.ResumeTiming();
        engine.Process(block.data(), frames);
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    state.counters["samples/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(block.size()),
        benchmark::Counter::kIsRate);
    static const char* names[] = {"all stages", "tape off", "tube off"};
    state.SetLabel(names[stages]);
}

}  // namespace

BENCHMARK(BM_Process)
    ->ArgNames({"channels", "frames", "stages"})
    ->Args({1, 8192, AllOn})
    ->Args({2, 16384, AllOn})
    ->Args({1, 8192, TapeOff})
    ->Args({2, 16384, TapeOff})
    ->Args({1, 8192, TubeOff})
    ->Args({2, 16384, TubeOff})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
