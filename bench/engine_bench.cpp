// Process throughput at the program's block sizes for 16-bit files (16384 bytes mono,
// 65536 bytes stereo), on the AVX2 kernel and on the portable one.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/SaturationEngine.h"

namespace {

enum Stages { AllOn, TapeOff, TubeOff };

void BM_Process(benchmark::State& state)
{
    const int channels = static_cast<int>(state.range(0));
    const int frames = channels == 1 ? 8192 : 16384;
    const auto stages = static_cast<Stages>(state.range(1));
    const bool avx2 = state.range(2) != 0;

    SaturationEngine engine;
    engine.SetFormat(16, 44100, channels);
    engine.SetTape(stages != TapeOff);
    engine.SetTube(stages != TubeOff);
    SaturationEngine::AllowAvx2ForTesting(avx2);

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
    SaturationEngine::AllowAvx2ForTesting(true);
    state.counters["samples/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(block.size()),
        benchmark::Counter::kIsRate);
    static const char* names[] = {"all stages", "tape off", "tube off"};
    state.SetLabel(std::string(names[stages]) + (avx2 ? "" : ", portable"));
}

}  // namespace

BENCHMARK(BM_Process)
    ->ArgNames({"channels", "stages", "avx2"})
    ->ArgsProduct({{1, 2}, {AllOn, TapeOff, TubeOff}, {1, 0}})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
