// The engine against a slow, plain transcription of the chain: frame by frame, every
// switch tested per sample, every term recomputed from the integer settings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "engine/SaturationEngine.h"
#include "engine/SaturationSettings.h"

namespace {

class Reference {
public:
    Reference(const SaturationSettings& s, int bits, int rate, int channels)
        : settings(s), bits(bits), rate(rate), channels(channels)
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

        peakIn = peakOut = 0.0f;
        for (int frame = 0; frame < frames; ++frame) {
            for (int ch = 0; ch < channels; ++ch) {
                float& x = buffer[frame * channels + ch];
                peakIn = std::max(peakIn, std::fabs(x));
                double s = static_cast<double>(x) * gain;
                if (settings.tube != 0) {
                    s = Shape(s, c);
                    const double h = (s - previous[ch] + state[ch]) * a;
                    state[ch] = static_cast<float>(h);
                    previous[ch] = static_cast<float>(s);
                    s = h;
                }
                if (settings.tape != 0) {
                    if (limiter == 0.0f) {
                        s = 0.0;
                    } else {
                        const double t = std::pow(static_cast<double>(base), s / limiter);
                        s = (1.0 - 2.0 / (t + 1.0)) * limiter;
                    }
                } else {
                    s = std::min(1.0, std::max(-1.0, s));
                }
                const double v = s + 0.0;  // dither off: the draw times a zero step
                peakOut = std::max(peakOut, static_cast<float>(std::fabs(v)));
                x = static_cast<float>(v);
            }
        }
        (void)bits;
    }

private:
    static double Shape(double s, const float* c)
    {
        return s * (1.0 - c[0] * s - c[1] * s * s - c[2] * s * s * s - c[3] * s * s * s * s);
    }

    SaturationSettings settings;
    int bits, rate, channels;
    float state[2] = {0, 0};
    float previous[2] = {0, 0};
};

struct Case {
    const char* name;
    SaturationSettings settings;  // dither is forced off
};

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

TEST(EngineReference, BitIdenticalAcrossSettingsChannelsAndBlockSplits)
{
    const Case cases[] = {
        {"defaults", {-1000, 1, 999, 1000, -250, 1, 0, -1000, 0}},
        {"hot", {-2000, 1, -1000, -1000, -1, 1, -5000, -250, 0}},
        {"soft", {-300, 1, 5000, 5000, -1000, 1, 5000, -1000, 0}},
        {"tube only", {-1500, 1, 200, 300, -20, 0, 0, -1000, 0}},
        {"tape only", {-1800, 0, 999, 1000, -250, 1, -2500, -600, 0}},
        {"off", {-1200, 0, 999, 1000, -250, 0, 0, -1000, 0}},
        {"zero ceiling", {-1000, 1, 999, 1000, -250, 1, 0, 0, 0}},
    };
    const int splits[] = {1, 2, 13, 4096, 8192};
    std::mt19937 rng(20261208);

    for (const Case& c : cases) {
        for (int channels : {1, 2}) {
            SCOPED_TRACE(testing::Message() << c.name << ", " << channels << " channel(s)");
            SaturationEngine engine;
            engine.SetFormat(16, 44100, channels);
            c.settings.ApplyTo(engine);
            engine.SetDither(0);
            Reference ref(c.settings, 16, 44100, channels);

            for (int split : splits) {
                for (int repeat = 0; repeat < 3; ++repeat) {
                    std::vector<float> block = RandomBlock(rng, split * channels);
                    std::vector<float> expect = block;
                    float refIn = 0, refOut = 0;
                    ref.Process(expect.data(), split, refIn, refOut);
                    engine.Process(block.data(), split);
                    ASSERT_EQ(std::memcmp(block.data(), expect.data(), block.size() * sizeof(float)), 0)
                        << "block of " << split;
                    const auto db = [](float p) {
                        return p == 0 ? INT32_MIN : static_cast<int>(20.0 * std::log10(static_cast<double>(p)));
                    };
                    ASSERT_EQ(engine.GetInputPeakDb(), db(refIn));
                    ASSERT_EQ(engine.GetOutputPeakDb(), db(refOut));
                }
            }
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
