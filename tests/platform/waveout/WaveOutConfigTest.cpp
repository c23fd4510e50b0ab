#include <gtest/gtest.h>

#include "platform/waveout/WaveOutConfig.h"

using Kind = WaveOutConfig::Kind;

TEST(WaveOutConfig, UnsetOrEmptyMeansAlsaAndNoneMeansNoDevice)
{
    EXPECT_EQ(WaveOutConfig::Parse(nullptr).kind, Kind::Alsa);
    EXPECT_EQ(WaveOutConfig::Parse("").kind, Kind::Alsa);
    EXPECT_EQ(WaveOutConfig::Parse("none").kind, Kind::None);
}

TEST(WaveOutConfig, VirtualTakesCountSpeedAndCapturePath)
{
    const WaveOutConfig plain = WaveOutConfig::Parse("virtual:3");
    EXPECT_EQ(plain.kind, Kind::Virtual);
    EXPECT_EQ(plain.devices, 3u);
    EXPECT_DOUBLE_EQ(plain.speed, 1.0);
    EXPECT_TRUE(plain.capture.empty());

    const WaveOutConfig full = WaveOutConfig::Parse("virtual:2,speed=12.5,capture=/tmp/a,b c.raw");
    EXPECT_EQ(full.kind, Kind::Virtual);
    EXPECT_EQ(full.devices, 2u);
    EXPECT_DOUBLE_EQ(full.speed, 12.5);
    EXPECT_EQ(full.capture, "/tmp/a,b c.raw");  // the path runs to the end, commas included

    const WaveOutConfig captureOnly = WaveOutConfig::Parse("virtual:1,capture=out.raw");
    EXPECT_EQ(captureOnly.capture, "out.raw");
    EXPECT_DOUBLE_EQ(captureOnly.speed, 1.0);

    EXPECT_EQ(WaveOutConfig::Parse("virtual:0").devices, 0u);
}

TEST(WaveOutConfig, MalformedValuesAreRefusedWithAReason)
{
    for (const char* bad : {"alsa", "virtual", "virtual:", "virtual:x", "virtual:-1", "virtual:65",
                            "virtual:2,speed=0", "virtual:2,speed=-3", "virtual:2,speed=1e-300", "virtual:2,speed=fast",
                            "virtual:2,speed=", "virtual:2,speed=2,speed=3", "virtual:2,loud=1",
                            "virtual:2;speed=2", "virtual:2,capture=", "virtual:99999999999999999999"}) {
        const WaveOutConfig config = WaveOutConfig::Parse(bad);
        EXPECT_EQ(config.kind, Kind::Invalid) << bad;
        EXPECT_FALSE(config.error.empty()) << bad;
    }
}
