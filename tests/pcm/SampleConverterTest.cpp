#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "pcm/SampleConverter.h"

TEST(SampleConverter, EightBitCentreAndEndsRoundTrip)
{
    SampleConverter c;
    c.SetFormats(8, 1, 8, 1);
    const unsigned char in[] = {0x80, 0x00, 0xFF, 0x40};
    float f[4];
    EXPECT_EQ(c.ToFloat(in, 4, f), 4);
    EXPECT_EQ(f[0], 0.0f);
    EXPECT_EQ(f[1], -1.0f);
    EXPECT_EQ(f[2], 127.0f / 128.0f);
    EXPECT_EQ(f[3], -0.5f);
    unsigned char out[4];
    EXPECT_EQ(c.ToPcm(f, 4, out), 4);
    EXPECT_EQ(std::memcmp(in, out, 4), 0);
}

TEST(SampleConverter, SixteenBitValuesRoundTripAndTruncateTowardZero)
{
    SampleConverter c;
    c.SetFormats(16, 1, 16, 1);
    const std::int16_t in[] = {-32768, 16384, 32767, -1};
    float f[4];
    EXPECT_EQ(c.ToFloat(in, 8, f), 4);
    EXPECT_EQ(f[0], -1.0f);
    EXPECT_EQ(f[1], 0.5f);
    std::int16_t out[4];
    EXPECT_EQ(c.ToPcm(f, 4, out), 8);
    EXPECT_EQ(std::memcmp(in, out, 8), 0);

    EXPECT_EQ(SampleConverter::ToPcm16(-0.3f / 32768.0f), 0) << "not -1";
    EXPECT_EQ(SampleConverter::ToPcm16(-1.7f / 32768.0f), -1);
    EXPECT_EQ(SampleConverter::ToPcm16(1.7f / 32768.0f), 1);
    EXPECT_EQ(SampleConverter::ToPcm8(-0.3f / 128.0f), 0x7F) << "(x + 1) * 128 truncated";
}

TEST(SampleConverter, FullScaleAndBeyondSaturateInsteadOfWrapping)
{
    EXPECT_EQ(SampleConverter::ToPcm16(1.0f), 32767);
    EXPECT_EQ(SampleConverter::ToPcm16(1.00003f), 32767);
    EXPECT_EQ(SampleConverter::ToPcm16(40.0f), 32767);
    EXPECT_EQ(SampleConverter::ToPcm16(-1.5f), -32768);
    EXPECT_EQ(SampleConverter::ToPcm8(1.0f), 255);
    EXPECT_EQ(SampleConverter::ToPcm8(1.02f), 255);
    EXPECT_EQ(SampleConverter::ToPcm8(-1.0f), 0);
    EXPECT_EQ(SampleConverter::ToPcm8(-3.0f), 0);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(SampleConverter::ToPcm16(nan), 0) << "NaN becomes silence";
    EXPECT_EQ(SampleConverter::ToPcm8(nan), 0x80);
    EXPECT_EQ(SampleConverter::ToPcm16(std::numeric_limits<float>::infinity()), 32767);
}

TEST(SampleConverter, FramesDropAPartialFrameAndInvalidFormatsAreIgnored)
{
    SampleConverter c;
    c.SetFormats(16, 2, 16, 2);
    c.SetFormats(24, 3, 12, 0);  // all invalid: the previous values stay
    EXPECT_EQ(c.GetOutputBits(), 16);
    EXPECT_EQ(c.GetOutputChannels(), 2);
    EXPECT_EQ(c.GetInputBits(), 16);
    EXPECT_EQ(c.GetInputChannels(), 2);

    unsigned char bytes[14] = {};
    float f[7];
    EXPECT_EQ(c.ToFloat(bytes, 14, f), 3) << "7 samples make 3 stereo frames";
    EXPECT_EQ(c.GetFrames(), 3);
    EXPECT_EQ(c.ToPcm(f, 3, bytes), 12);
    EXPECT_EQ(c.GetOutputBytes(), 12);
    EXPECT_EQ(c.ToFloat(bytes, 0, f), 0);

    c.SetFormats(8, 1, 8, 2);
    EXPECT_EQ(c.ToFloat(bytes, 5, f), 2);
    EXPECT_EQ(c.ToPcm(f, 2, bytes), 2) << "output channels apply on the way back";
}

// The block conversion equals the per-sample one at every position of awkward lengths,
// for values that round, clamp, are NaN or infinite.
TEST(SampleConverter, SixteenBitBlocksEqualSampleBySample)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float values[] = {0.0f,  -0.0f, 1.7f / 32768.0f, -1.7f / 32768.0f, 0.999f, 1.0f, -1.0f,
                            -1.01f, 3.0f, -3.0f,           inf,              -inf,   nan,  0.25f};
    constexpr int N = sizeof values / sizeof values[0];
    SampleConverter c;
    c.SetFormats(16, 1, 16, 1);
    for (int length = 1; length <= 3 * N; ++length) {
        for (int shift = 0; shift < N; ++shift) {
            float block[3 * N];
            std::int16_t out[3 * N];
            for (int i = 0; i < length; ++i) block[i] = values[(i + shift) % N];
            ASSERT_EQ(c.ToPcm(block, length, out), 2 * length);
            for (int i = 0; i < length; ++i)
                ASSERT_EQ(out[i], SampleConverter::ToPcm16(block[i])) << "length " << length << ", sample " << i;
        }
    }
}
