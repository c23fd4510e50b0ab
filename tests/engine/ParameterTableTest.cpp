#include <gtest/gtest.h>

#include "engine/ParameterTable.h"
#include "engine/SaturationSettings.h"

namespace {

TEST(ParameterTable, OrderNamesAndControlRanges)
{
    const char* names[] = {"Gain", "Tube", "Mix", "Character", "Dynamics",
                           "Tape", "Knee", "Limiter", "Dither"};
    for (std::size_t i = 0; i < ParameterTable::Count; ++i) {
        const ParameterInfo& p = ParameterTable::All[i];
        EXPECT_EQ(static_cast<std::size_t>(p.id), i);
        EXPECT_STREQ(p.name, names[i]);
        EXPECT_LT(p.low, p.high);
        // A value taken from a control never raises the engine's error flag.
        EXPECT_LE(p.acceptedLow, p.low) << p.name;
        EXPECT_GE(p.acceptedHigh, p.high) << p.name;
    }
    EXPECT_EQ(ParameterTable::Get(ParameterId::Knee).low, -5000);
    EXPECT_EQ(ParameterTable::Get(ParameterId::Limiter).high, -250);
    EXPECT_EQ(ParameterTable::Get(ParameterId::Dither).high, 1);
}

TEST(ParameterTable, FindAndClamp)
{
    ASSERT_NE(ParameterTable::Find("limiter"), nullptr);
    EXPECT_EQ(ParameterTable::Find("LiMiTeR")->id, ParameterId::Limiter);
    EXPECT_EQ(ParameterTable::Find("limite"), nullptr);
    EXPECT_EQ(ParameterTable::Find(""), nullptr);

    const ParameterInfo& gain = ParameterTable::Get(ParameterId::Gain);
    EXPECT_EQ(gain.Clamp(-3000), -2000);
    EXPECT_EQ(gain.Clamp(500), 0);
    EXPECT_EQ(gain.Clamp(-1234), -1234);
    EXPECT_EQ(ParameterTable::Get(ParameterId::Tube).Clamp(5), 1);
    EXPECT_EQ(ParameterTable::Get(ParameterId::Tube).Clamp(-2), 0);
}

TEST(SaturationSettings, ReadFromAndAppliedToAnEngine)
{
    SaturationEngine fresh;
    const SaturationSettings defaults = SaturationSettings::FromEngine(fresh);
    EXPECT_EQ(defaults, (SaturationSettings{-1000, 1, 999, 1000, -250, 1, 0, -1000, 1}));

    const SaturationSettings wanted{-1500, 0, 200, -300, -20, 1, 2500, -600, 0};
    SaturationEngine e;
    wanted.ApplyTo(e);
    EXPECT_EQ(SaturationSettings::FromEngine(e), wanted);
    EXPECT_EQ(wanted[ParameterId::Knee], 2500);
    SaturationSettings copy = wanted;
    copy[ParameterId::Dither] = 1;
    EXPECT_EQ(copy.dither, 1);
}

}  // namespace
