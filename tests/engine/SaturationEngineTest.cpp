#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "engine/ParameterTable.h"
#include "engine/SaturationEngine.h"

namespace {

// Tube, tape and dither switched as asked; gain 1 and the other defaults.
void Switches(SaturationEngine& e, int tube, int tape, int dither)
{
    e.SetTube(tube);
    e.SetTape(tape);
    e.SetDither(dither);
}

std::vector<float> Processed(SaturationEngine& e, std::vector<float> block, int channels = 1)
{
    e.Process(block.data(), static_cast<int>(block.size()) / channels);
    return block;
}

TEST(SaturationEngine, FreshEngineReadsBackDefaults)
{
    SaturationEngine e;
    EXPECT_EQ(e.GetErrorFlag(), 0);
    EXPECT_STREQ(e.GetErrorText(), "No error");
    EXPECT_EQ(e.GetGain(), -1000);
    EXPECT_EQ(e.GetMix(), 999);  // the float nearest 0.1 lies just below it
    EXPECT_EQ(e.GetCharacter(), 1000);
    EXPECT_EQ(e.GetDynamics(), -250);
    EXPECT_EQ(e.GetKnee(), 0);
    EXPECT_EQ(e.GetLimiter(), -1000);
    EXPECT_EQ(e.GetTube(), 1);
    EXPECT_EQ(e.GetTape(), 1);
    EXPECT_EQ(e.GetDither(), 1);
    EXPECT_STREQ(e.GetGainText(), "0.0 dB");
    EXPECT_STREQ(e.GetLimiterText(), "0.0 dB");
}

TEST(SaturationEngine, RangeConstants)
{
    SaturationEngine e;
    EXPECT_EQ(e.GainSliderLow(), -2000);
    EXPECT_EQ(e.GainSliderHigh(), 0);
    EXPECT_EQ(e.SliderLow(), -1000);
    EXPECT_EQ(e.SliderHigh(), 5000);
    EXPECT_EQ(e.DynamicsSliderHigh(), -1);
    EXPECT_EQ(e.KneeSliderLow(), -5000);
    EXPECT_EQ(e.LimiterSliderHigh(), -250);
}

// Over each control range, the values that come back one step nearer to zero.
TEST(SaturationEngine, RoundTripOverEveryControlRange)
{
    struct Expect { ParameterId id; int changed; int example; };
    const Expect cases[] = {
        {ParameterId::Gain, 25, -1176},     {ParameterId::Mix, 185, -408},
        {ParameterId::Character, 107, -588}, {ParameterId::Dynamics, 13, 0},
        {ParameterId::Knee, 188, -4829},    {ParameterId::Limiter, 9, -588},
    };
    for (const Expect& c : cases) {
        const ParameterInfo& p = ParameterTable::Get(c.id);
        SaturationEngine e;
        int changed = 0;
        for (int v = p.low; v <= p.high; ++v) {
            (e.*p.set)(v);
            const int back = (e.*p.get)();
            ASSERT_EQ(e.GetErrorFlag(), 0) << p.name << " " << v;
            if (back != v) {
                ++changed;
                EXPECT_EQ(std::abs(back), std::abs(v) - 1) << p.name << " " << v;
            }
        }
        EXPECT_EQ(changed, c.changed) << p.name;
        if (c.example != 0) {
            (e.*p.set)(c.example);
            EXPECT_EQ((e.*p.get)(), c.example + 1) << p.name;
        }
    }
}

TEST(SaturationEngine, RangeErrorsKeepTheValueAndSayWhy)
{
    struct Case { ParameterId id; const char* message; };
    const Case cases[] = {
        {ParameterId::Gain, "Gain cannot be less than 0 or greater than 20.\n"},
        {ParameterId::Mix, "Mix is out of range.\n"},
        {ParameterId::Character, "Character is out of range.\n"},
        {ParameterId::Dynamics, "Dynamics is out of range.\n"},
        {ParameterId::Knee, "Knee is out of range.\n"},
        {ParameterId::Limiter, "Limiter cannot be less than 0 or greater than 1.\n"},
    };
    for (const Case& c : cases) {
        const ParameterInfo& p = ParameterTable::Get(c.id);
        for (int v : {p.acceptedLow, p.acceptedHigh}) {
            SaturationEngine e;
            (e.*p.set)(v);
            EXPECT_EQ(e.GetErrorFlag(), 0) << p.name << " " << v;
            EXPECT_STREQ(e.GetErrorText(), "No error");
        }
        for (int v : {p.acceptedLow - 1, p.acceptedHigh + 1}) {
            SaturationEngine e;
            (e.*p.set)(v);
            EXPECT_EQ(e.GetErrorFlag(), 1) << p.name << " " << v;
            EXPECT_STREQ(e.GetErrorText(), c.message) << p.name << " " << v;
        }
    }
    SaturationEngine e;
    e.SetMix(7000);  // 9.99999e-8, just below the lower end: still stored
    EXPECT_EQ(e.GetErrorFlag(), 1);
    EXPECT_EQ(e.GetMix(), 7000);
    e.SetGain(-50000);
    EXPECT_EQ(e.GetErrorFlag(), 1);
    EXPECT_EQ(e.GetGain(), -50000);
}

TEST(SaturationEngine, WhichOperationsClearTheErrorFlag)
{
    SaturationEngine e;
    float sample = 0.25f;
    auto failed = [&e] { e.SetMix(7000); return e.GetErrorFlag() == 1; };

    ASSERT_TRUE(failed());
    e.SetDynamics(-250);
    EXPECT_EQ(e.GetErrorFlag(), 1) << "SetDynamics leaves the flag";
    e.GetErrorText();
    e.GetInputPeakDb();
    e.GetOutputPeakDb();
    e.GetGainText();
    e.GetLimiterText();
    SaturationEngine::GainLevelText(-1000);
    SaturationEngine::LimiterLevelText(-1000);
    e.SliderHigh();
    EXPECT_EQ(e.GetErrorFlag(), 1);
    EXPECT_STREQ(e.GetErrorText(), "Mix is out of range.\n");

    const std::function<void()> clearing[] = {
        [&] { e.SetGain(-1000); },    [&] { e.SetMix(999); },      [&] { e.SetCharacter(1000); },
        [&] { e.SetKnee(0); },        [&] { e.SetLimiter(-1000); }, [&] { e.SetTube(1); },
        [&] { e.SetTape(1); },        [&] { e.SetDither(1); },      [&] { e.GetGain(); },
        [&] { e.GetMix(); },          [&] { e.GetCharacter(); },    [&] { e.GetDynamics(); },
        [&] { e.GetKnee(); },         [&] { e.GetLimiter(); },      [&] { e.GetTube(); },
        [&] { e.GetTape(); },         [&] { e.GetDither(); },
        [&] { e.SetFormat(16, 44100, 1); },
        [&] { e.Process(&sample, 1); },
    };
    for (std::size_t i = 0; i < std::size(clearing); ++i) {
        ASSERT_TRUE(failed());
        clearing[i]();
        EXPECT_EQ(e.GetErrorFlag(), 0) << "operation " << i;
        EXPECT_STREQ(e.GetErrorText(), "Mix is out of range.\n") << "the text stays";
    }
}

TEST(SaturationEngine, LevelTexts)
{
    SaturationEngine e;
    e.SetGain(-2000);
    EXPECT_STREQ(e.GetGainText(), "6.0 dB");
    e.SetGain(-500);
    EXPECT_STREQ(e.GetGainText(), "-6.0 dB");
    e.SetGain(0);
    EXPECT_STREQ(e.GetGainText(), "-Inf dB");
    e.SetGain(1);  // just below -0.001: refused but stored, and negative
    EXPECT_EQ(e.GetErrorFlag(), 1);
    EXPECT_STREQ(e.GetGainText(), "-Inf dB");
    e.SetLimiter(-250);
    EXPECT_STREQ(e.GetLimiterText(), "-12.0 dB");
    e.SetLimiter(0);
    EXPECT_EQ(e.GetErrorFlag(), 0);
    EXPECT_STREQ(e.GetLimiterText(), "-Inf dB");
    EXPECT_EQ(e.GetGainText(), e.GetLimiterText()) << "one shared buffer";

    const char* gain = SaturationEngine::GainLevelText(-2000);
    const char* limiter = SaturationEngine::LimiterLevelText(-250);
    EXPECT_STREQ(gain, "6.0 dB");
    EXPECT_STREQ(limiter, "-12.0 dB");
    EXPECT_STREQ(SaturationEngine::GainLevelText(0), "-Inf dB");
    EXPECT_STREQ(SaturationEngine::LimiterLevelText(-1000), "0.0 dB");
    EXPECT_STREQ(SaturationEngine::GainLevelText(INT_MIN), "126.6 dB");
}

TEST(SaturationEngine, AllStagesOffPassesAndHardClips)
{
    SaturationEngine e;
    Switches(e, 0, 0, 0);
    const std::vector<float> in = {0.0f, 0.5f, -0.25f, 1.0f, -1.0f, 1.0001f, -3.0f, 1e30f,
                                   0.99999994f, -0.0f, 1e-30f};
    const std::vector<float> expect = {0.0f, 0.5f, -0.25f, 1.0f, -1.0f, 1.0f, -1.0f, 1.0f,
                                       0.99999994f, 0.0f, 1e-30f};
    const std::vector<float> out = Processed(e, in);
    for (std::size_t i = 0; i < in.size(); ++i)
        EXPECT_EQ(std::memcmp(&out[i], &expect[i], sizeof(float)), 0) << i << ": " << out[i];
}

TEST(SaturationEngine, SoftClipValues)
{
    SaturationEngine e;
    Switches(e, 0, 1, 0);
    std::vector<float> out = Processed(e, {0.0f, 1.0f, 1e6f, -1e6f, 100.0f});
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], static_cast<float>(1.0 - 2.0 / 9.0));
    EXPECT_EQ(out[2], 1.0f);
    EXPECT_EQ(out[3], -1.0f);
    EXPECT_LE(out[4], 1.0f);

    e.SetLimiter(-500);  // ceiling 0.5: an input at the ceiling gives 7/9 of it
    out = Processed(e, {0.5f, -0.5f});
    EXPECT_FLOAT_EQ(out[0], 0.5f * 7.0f / 9.0f);
    EXPECT_FLOAT_EQ(out[1], -0.5f * 7.0f / 9.0f);
}

TEST(SaturationEngine, ZeroCeilingGivesSilenceNotNaN)
{
    SaturationEngine e;
    Switches(e, 1, 1, 0);
    e.SetLimiter(0);
    EXPECT_EQ(e.GetErrorFlag(), 0);
    const std::vector<float> out = Processed(e, {0.0f, 0.5f, -0.5f, 2.0f, 0.0f});
    for (float v : out) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(e.GetOutputPeakDb(), INT_MIN);
}

TEST(SaturationEngine, KneeOfSevenFlattensTheCurve)
{
    SaturationEngine e;
    Switches(e, 0, 1, 0);
    e.SetKnee(-7000);
    EXPECT_EQ(e.GetErrorFlag(), 1);
    EXPECT_STREQ(e.GetErrorText(), "Knee is out of range.\n");
    const std::vector<float> in = {0.9f, -0.9f, 0.1f};
    const std::vector<float> out = Processed(e, in);
    for (std::size_t i = 0; i < in.size(); ++i) {
        EXPECT_NE(out[i], 0.0f);  // the base is the float just below 1, not 1
        EXPECT_LT(std::fabs(out[i]), 3e-7f * std::fabs(in[i]));
        EXPECT_LT(out[i] * in[i], 0.0f) << "a base below 1 turns the curve over";
    }
}

TEST(SaturationEngine, DitherIsOneSidedUniformAndDrawnEvenWhenOff)
{
    SaturationEngine::SeedRandomForTesting(12345);
    SaturationEngine e;
    Switches(e, 0, 0, 1);
    const int n = 32768 * 16;
    std::vector<float> out = Processed(e, std::vector<float>(n, 0.0f));
    const double step = static_cast<float>(3.5096284e-5f / 65535.0);
    std::vector<int> histogram(32768);
    float largest = 0.0f;
    for (float v : out) {
        ASSERT_GE(v, 0.0f);
        ASSERT_LE(v, static_cast<float>(32767 * step));
        const long r = std::lround(v / step);
        ASSERT_EQ(static_cast<float>(r * step), v);
        ++histogram[static_cast<std::size_t>(r)];
        largest = std::max(largest, v);
    }
    EXPECT_EQ(e.GetOutputPeakDb(), static_cast<int>(20.0 * std::log10(static_cast<double>(largest))));
    // 16 expected per value: a sound generator leaves no value far from that.
    int empty = 0;
    double chi = 0;
    for (int c : histogram) {
        empty += c == 0;
        chi += (c - 16.0) * (c - 16.0) / 16.0;
    }
    EXPECT_LT(empty, 20);
    EXPECT_LT(chi, 32768 + 6 * std::sqrt(2.0 * 32768));

    // One draw per sample while dither is off: switching it on later continues the sequence
    // where an engine that dithered all along would be.
    const std::vector<float> zeros(1000, 0.0f);
    SaturationEngine::SeedRandomForTesting(99);
    SaturationEngine off;
    Switches(off, 0, 0, 0);
    Processed(off, zeros);
    off.SetDither(1);
    const std::vector<float> afterOff = Processed(off, zeros);
    SaturationEngine::SeedRandomForTesting(99);
    SaturationEngine on;
    Switches(on, 0, 0, 1);
    Processed(on, zeros);
    EXPECT_EQ(Processed(on, zeros), afterOff);

    e.SetFormat(8, 22050, 1);  // a shorter word gets a larger step
    out = Processed(e, std::vector<float>(4096, 0.0f));
    const float peak8 = *std::max_element(out.begin(), out.end());
    EXPECT_GT(peak8, 32767 * step * 200);
    EXPECT_LE(peak8, static_cast<float>(32767 * static_cast<double>(static_cast<float>(3.5096284e-5f / 255.0))));
}

TEST(SaturationEngine, StereoChannelsAreIndependentAndWalkedOneAfterTheOther)
{
    const int frames = 777;
    std::vector<float> left(frames), right(frames), stereo;
    for (int i = 0; i < frames; ++i) {
        left[i] = static_cast<float>(0.6 * std::sin(i * 0.05) + 0.2);
        right[i] = static_cast<float>(std::fmod(i * 0.37, 2.0) - 1.0);
        stereo.push_back(left[i]);
        stereo.push_back(right[i]);
    }
    SaturationEngine::SeedRandomForTesting(7);
    SaturationEngine s;
    s.SetFormat(16, 44100, 2);
    const std::vector<float> both = Processed(s, stereo, 2);

    // A mono engine fed the left channel and then the right, on the same random sequence.
    SaturationEngine::SeedRandomForTesting(7);
    SaturationEngine m;
    const std::vector<float> l = Processed(m, left);
    m.SetFormat(16, 44100, 1);  // fresh high-pass state for the second channel
    const std::vector<float> r = Processed(m, right);
    for (int i = 0; i < frames; ++i) {
        ASSERT_EQ(both[2 * i], l[i]) << i;
        ASSERT_EQ(both[2 * i + 1], r[i]) << i;
    }
}

TEST(SaturationEngine, HighPassStateResetOnlyBySetFormat)
{
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        std::vector<float> a(3000 * channels, 0.4f), b(500 * channels);
        for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<float>(0.5 * std::sin(i * 0.1));
        auto engine = [channels] {
            auto e = std::make_unique<SaturationEngine>();
            e->SetFormat(16, 44100, channels);
            e->SetDither(0);
            return e;
        };
        auto run = [channels](SaturationEngine& e, const std::vector<float>& v) {
            return Processed(e, v, channels);
        };

        auto fresh = engine();
        const std::vector<float> freshB = run(*fresh, b);

        auto carried = engine();
        run(*carried, a);
        const std::vector<float> carriedB = run(*carried, b);
        EXPECT_NE(carriedB, freshB);

        auto toggled = engine();
        run(*toggled, a);
        toggled->SetTube(0);
        run(*toggled, std::vector<float>(100 * channels, -0.9f));
        toggled->SetTube(1);
        EXPECT_EQ(run(*toggled, b), carriedB);

        auto reset = engine();
        run(*reset, a);
        reset->SetFormat(16, 44100, channels);
        EXPECT_EQ(run(*reset, b), freshB);
    }
}

TEST(SaturationEngine, PeaksDescribeTheLastCallOnly)
{
    SaturationEngine e;
    Switches(e, 0, 0, 0);
    std::vector<float> block = {0.1f, -0.5f, 0.25f};
    e.Process(block.data(), 3);
    EXPECT_EQ(e.GetInputPeakDb(), -6);
    EXPECT_EQ(e.GetOutputPeakDb(), -6);
    block = {2.0f, 0.0f};
    e.Process(block.data(), 2);
    EXPECT_EQ(e.GetInputPeakDb(), 6);
    EXPECT_EQ(e.GetOutputPeakDb(), 0);

    float untouched[2] = {0.7f, -0.7f};
    e.Process(untouched, 0);
    EXPECT_EQ(e.GetInputPeakDb(), INT_MIN);
    EXPECT_EQ(e.GetOutputPeakDb(), INT_MIN);
    EXPECT_EQ(untouched[0], 0.7f);
    EXPECT_EQ(untouched[1], -0.7f);

    e.SetFormat(16, 44100, 0);
    e.Process(untouched, 2);
    EXPECT_EQ(e.GetInputPeakDb(), INT_MIN);
    EXPECT_EQ(untouched[0], 0.7f);
}

}  // namespace
