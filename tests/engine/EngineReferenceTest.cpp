// The engine against a slow, plain transcription of the chain: channel by channel, every
// switch tested per sample, every term recomputed from the integer settings, the power
// function for the soft clip, and one dither value drawn per sample as it is walked.
// Each comparison runs on the AVX2 kernel (where the processor has it) and the portable one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "engine/SaturationEngine.h"
#include "engine/SaturationSettings.h"

namespace {

class Reference {
public:
    Reference(const SaturationSettings& s, int bits, int rate, int channels, std::uint32_t seed)
        : settings(s), bits(bits), rate(rate), channels(channels), random(seed)
    {
    }

    void Process(float* buffer, int frames, float& peakIn, float& peakOut)
    {
        const float f = 0.001f;
        const float gain = static_cast<float>(-static_cast<double>(settings.gain) * f);
        const float mix = static_cast<float>(std::pow(10.0, -static_cast<double>(settings.mix) * f));
        const float character = static_cast<float>(static_cast<double>(settings.character) * f);
        const float dynamics = static_cast<float>(-static_cast<double>(settings.dynamics) * f);
        const float knee = static_cast<float>(-static_cast<double>(settings.knee) * f);
        const float limiter = static_cast<float>(-static_cast<double>(settings.limiter) * f);
        const float c[4] = {
            mix,
            static_cast<float>(mix * std::pow(0.25, character)),
            static_cast<float>(mix * std::pow(0.25, 2.0 * character)),
            static_cast<float>(mix * std::pow(0.25, 4.0 * character)),
        };
        const double r = static_cast<double>(rate) * dynamics;
        const float a = static_cast<float>(r / (r + 1.0));
        const float base = static_cast<float>(8.0 - knee);
        const float fullScale = static_cast<float>(std::pow(2.0, bits) - 1.0);
        const float step = static_cast<float>((settings.dither != 0) * static_cast<double>(3.5096284e-5f) /
                                              static_cast<double>(fullScale));

        peakIn = peakOut = 0.0f;
        for (int ch = 0; ch < channels; ++ch) {
            for (int frame = 0; frame < frames; ++frame) {
                float& x = buffer[frame * channels + ch];
                if (std::fabs(x) > peakIn) peakIn = std::fabs(x);
                double s = static_cast<double>(x) * gain;
                if (settings.tube != 0) {
                    const int slot = ch < 2 ? ch : 1;  // channels past the second share a slot
                    s = Shape(s, c);
                    const double h = (s - previous[slot] + state[slot]) * a;
                    state[slot] = static_cast<float>(h);
                    previous[slot] = static_cast<float>(s);
                    s = h;
                }
                if (settings.tape != 0) {
                    if (limiter == 0.0f) {
                        s = 0.0;
                    } else {
                        const double t = std::pow(static_cast<double>(base), s / limiter);
                        s = (1.0 - 2.0 / (t + 1.0)) * limiter;
                    }
                } else if (s > 1.0) {
                    s = 1.0;
                } else if (s < -1.0) {
                    s = -1.0;
                }
                random = random * 1664525u + 1013904223u;
                const double v = s + static_cast<int>(random >> 17) * static_cast<double>(step);
                if (std::fabs(v) > peakOut) peakOut = static_cast<float>(std::fabs(v));
                x = static_cast<float>(v);
            }
        }
    }

private:
    static double Shape(double s, const float* c)
    {
        return s * (1.0 - c[0] * s - c[1] * s * s - c[2] * s * s * s - c[3] * s * s * s * s);
    }

    SaturationSettings settings;
    int bits, rate, channels;
    std::uint32_t random;
    float state[2] = {0, 0};
    float previous[2] = {0, 0};
};

// Selects the kernel for the scope of one comparison, and restores the default after it.
class Kernel {
public:
    explicit Kernel(bool avx2) { SaturationEngine::AllowAvx2ForTesting(avx2); }
    ~Kernel() { SaturationEngine::AllowAvx2ForTesting(true); }
};

struct Case {
    const char* name;
    SaturationSettings settings;  // dither is set per run
};

const Case Cases[] = {
    {"defaults", {-1000, 1, 999, 1000, -250, 1, 0, -1000, 1}},
    {"hot", {-2000, 1, -1000, -1000, -1, 1, -5000, -250, 1}},
    {"soft", {-300, 1, 5000, 5000, -1000, 1, 5000, -1000, 1}},
    {"tube only", {-1500, 1, 200, 300, -20, 0, 0, -1000, 1}},
    {"tape only", {-1800, 0, 999, 1000, -250, 1, -2500, -600, 1}},
    {"off", {-1200, 0, 999, 1000, -250, 0, 0, -1000, 1}},
    {"zero ceiling", {-1000, 1, 999, 1000, -250, 1, 0, 0, 1}},
    // Values beyond the accepted ranges are stored and used.
    {"gain 50", {-50000, 1, 999, 1000, -250, 1, 0, -1000, 1}},
    {"mix 20, character -2", {-1000, 1, -1301, -2000, -250, 1, 0, -1000, 1}},
    {"mix 1e-7, character 10", {-1000, 1, 7000, 10000, -250, 1, 0, -1000, 1}},
    {"no high-pass memory", {-1000, 1, 999, 1000, 0, 1, 0, -1000, 1}},
    {"dynamics 100 s", {-1000, 1, 999, 1000, -99999, 1, 0, -1000, 1}},
    {"knee 7.9 (base 0.1)", {-1000, 1, 999, 1000, -250, 1, -7900, -1000, 1}},
    {"knee 8 (base 0)", {-1000, 1, 999, 1000, -250, 1, -8000, -1000, 1}},
    {"knee 9 (base -1)", {-1000, 0, 999, 1000, -250, 1, -9000, -1000, 1}},
    {"knee 7 (base 1)", {-1000, 1, 999, 1000, -250, 1, -7000, -1000, 1}},
    {"negative ceiling", {-1000, 1, 999, 1000, -250, 1, 0, 500, 1}},
    {"ceiling -0.001", {-1000, 1, 999, 1000, -250, 1, 0, 1, 1}},
    {"ceiling 0.001", {-1000, 1, 999, 1000, -250, 1, 0, -1, 1}},
};

// Bit for bit, except that any NaN matches any NaN (its payload is not the chain's result).
testing::AssertionResult SameSamples(const std::vector<float>& got, const std::vector<float>& expect)
{
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (std::isnan(got[i]) && std::isnan(expect[i])) continue;
        if (std::memcmp(&got[i], &expect[i], sizeof(float)) != 0)
            return testing::AssertionFailure() << "sample " << i << ": " << got[i] << " instead of " << expect[i];
    }
    return testing::AssertionSuccess();
}

int Db(float peak)
{
    if (peak == 0) return INT32_MIN;
    if (std::isinf(peak)) return INT32_MAX;
    return static_cast<int>(20.0 * std::log10(static_cast<double>(peak)));
}

std::vector<float> RandomBlock(std::mt19937& rng, int samples)
{
    std::normal_distribution<float> normal(0.0f, 0.4f);
    std::uniform_real_distribution<float> wild(-4.0f, 4.0f);
    std::vector<float> v(static_cast<std::size_t>(samples));
    double phase = 0;
    for (int i = 0; i < samples; ++i) {
        phase += 0.013 + 0.0001 * (i % 97);
        v[i] = i % 509 == 0 ? wild(rng) : static_cast<float>(0.7 * std::sin(phase)) + 0.2f * normal(rng);
    }
    return v;
}

// Runs blocks through an engine and the reference side by side and compares every sample
// and both peaks.
void Compare(const Case& c, int dither, int channels, bool avx2,
             const std::function<std::vector<float>(int block)>& nextBlock, int blocks)
{
    SCOPED_TRACE(testing::Message() << c.name << ", dither " << dither << ", " << channels
                                    << " channel(s), " << (avx2 ? "AVX2" : "portable") << " kernel");
    const Kernel kernel(avx2);
    SaturationSettings settings = c.settings;
    settings.dither = dither;
    const std::uint32_t seed = 20261208u + static_cast<std::uint32_t>(channels);
    SaturationEngine::SeedRandomForTesting(seed);
    SaturationEngine engine;
    engine.SetFormat(16, 44100, channels);
    settings.ApplyTo(engine);
    Reference ref(settings, 16, 44100, channels, seed);

    for (int b = 0; b < blocks; ++b) {
        std::vector<float> block = nextBlock(b);
        std::vector<float> expect = block;
        const int frames = static_cast<int>(block.size()) / channels;
        float refIn = 0, refOut = 0;
        ref.Process(expect.data(), frames, refIn, refOut);
        engine.Process(block.data(), frames);
        ASSERT_TRUE(SameSamples(block, expect)) << "block " << b << " of " << frames << " frames";
        ASSERT_EQ(engine.GetInputPeakDb(), Db(refIn)) << "block " << b;
        ASSERT_EQ(engine.GetOutputPeakDb(), Db(refOut)) << "block " << b;
    }
}

TEST(EngineReference, BitIdenticalAcrossSettingsChannelsAndBlockSplits)
{
    const int splits[] = {1, 2, 13, 4096, 8192};
    std::mt19937 rng(20261208);
    for (const Case& c : Cases) {
        for (int dither : {0, 1}) {
            // Three channels: no caller configures them, but the engine must not overrun.
            for (int channels : {1, 2, 3}) {
                for (bool avx2 : {true, false}) {
                    // Each split three times, so that the filter state and the draws carry over.
                    Compare(c, dither, channels, avx2, [&](int b) {
                        return RandomBlock(rng, splits[b / 3] * channels);
                    }, 3 * static_cast<int>(std::size(splits)));
                }
            }
        }
    }
}

// Infinities, huge, tiny and signed-zero samples, and then NaN, which the high-pass carries on.
TEST(EngineReference, NonFiniteAndExtremeInput)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float extremes[] = {inf, -inf, 1e30f, -1e30f, 1e-40f, -1e-45f, -0.0f, 0.0f, 3.4e38f};
    std::mt19937 rng(99);
    for (const Case& c : Cases) {
        for (int channels : {1, 2}) {
            for (bool avx2 : {true, false}) {
                Compare(c, 1, channels, avx2, [&](int b) {
                    std::vector<float> block = RandomBlock(rng, 301 * channels);
                    for (std::size_t i = 0; i < std::size(extremes); ++i)
                        block[17 * i + static_cast<std::size_t>(b)] = extremes[i];
                    if (b == 2) block[200] = nan;
                    return block;
                }, 4);
            }
        }
    }
}

// Inputs whose soft clip result (gain 1, tube off, knee 0, ceiling 1, dither off) lies so
// close to the midpoint between two floats that an exponential within 2^-50 of the power
// function rounds to the other float. Found by searching every float in (0.001, 4). The
// engine must settle each by the power function, in whichever lane it arrives.
TEST(EngineReference, SoftClipsNextToARoundingBoundaryMatchThePowerFunction)
{
    const float ties[] = {0x1.0d3278p-10f, 0x1.5d352p-10f, 0x1.76c07cp-10f, 0x1.a59316p-10f, 0x1.beba16p-10f,
                          0x1.0b806cp-9f,  0x1.b481ep-9f,  0x1.e84bbap-8f,  0x1.ff2af4p-8f};
    const Case c = {"near ties", {-1000, 0, 999, 1000, -250, 1, 0, -1000, 0}};
    for (int channels : {1, 2}) {
        for (bool avx2 : {true, false}) {
            Compare(c, 0, channels, avx2, [&](int b) {
                // Each tie, and its negative, at every position of a 4-lane vector.
                std::vector<float> block(static_cast<std::size_t>(8 * std::size(ties) * channels) + 3, 0.25f);
                block.resize(block.size() / channels * channels);
                for (std::size_t i = 0; i < std::size(ties); ++i) {
                    block[8 * i + b] = ties[i];
                    block[8 * i + 4 + b] = -ties[i];
                }
                return block;
            }, 4);
        }
    }
}

// Whole-block, split-block and per-sample runs of one engine configuration agree.
TEST(EngineReference, SplittingABlockChangesNothing)
{
    std::mt19937 rng(7);
    const int frames = 9000;
    const std::vector<float> source = RandomBlock(rng, frames * 2);
    auto run = [&](int piece) {
        SaturationEngine e;
        e.SetFormat(16, 48000, 2);
        e.SetDither(0);
        e.SetGain(-1700);
        std::vector<float> out = source;
        for (int done = 0; done < frames; done += piece)
            e.Process(out.data() + 2 * done, std::min(piece, frames - done));
        return out;
    };
    const std::vector<float> whole = run(frames);
    EXPECT_EQ(run(1), whole);
    EXPECT_EQ(run(13), whole);
    EXPECT_EQ(run(4096), whole);
}

}  // namespace
