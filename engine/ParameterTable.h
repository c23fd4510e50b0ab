#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "SaturationEngine.h"

// The nine settings in their fixed order: the order of every stored record, preset and interface.
enum class ParameterId : int { Gain, Tube, Mix, Character, Dynamics, Tape, Knee, Limiter, Dither };

struct ParameterInfo {
    ParameterId id;
    const char* name;  // "Gain", "Tube", ...
    bool isSwitch;
    void (SaturationEngine::*set)(int) noexcept;
    int (SaturationEngine::*get)() noexcept;
    int low;           // control range; 0..1 for the switches
    int high;
    int acceptedLow;   // integers the engine takes without a range error
    int acceptedHigh;
    const char* description;  // what it does, for plug-in hosts and pipeline tools

    constexpr int Clamp(int value) const noexcept
    {
        return value < low ? low : value > high ? high : value;
    }
};

// The integer scale of every parameter, defined once; every subsystem reads its ranges here.
class ParameterTable {
public:
    static constexpr std::size_t Count = 9;

private:
    using Engine = SaturationEngine;
    static constexpr int kAnyLow = -2147483647 - 1;  // a switch takes every integer
    static constexpr int kAnyHigh = 2147483647;

public:

    static constexpr std::array<ParameterInfo, Count> All{{
        {ParameterId::Gain, "Gain", false, &Engine::SetGain, &Engine::GetGain,
         Engine::GainSliderLow(), Engine::GainSliderHigh(), -19999, 0,
         "Input gain in thousandths with the sign turned: the input is multiplied by -gain/1000, "
         "so -2000 doubles it (+6 dB), -1000 leaves it as it is and 0 silences it."},
        {ParameterId::Tube, "Tube", true, &Engine::SetTube, &Engine::GetTube, 0, 1,
         kAnyLow, kAnyHigh,
         "Tube stage: on (1) runs the signal through the asymmetric waveshaper and the DC-blocking "
         "high-pass; off (0) leaves both out."},
        {ParameterId::Mix, "Mix", false, &Engine::SetMix, &Engine::GetMix,
         Engine::SliderLow(), Engine::SliderHigh(), -1301, 6999,
         "Amount of tube colour: the waveshaper's first coefficient is 10^(-mix/1000), so -1000 "
         "gives 10 (heavy), 999 about 0.1 and 5000 0.00001 (almost clean)."},
        {ParameterId::Character, "Character", false, &Engine::SetCharacter, &Engine::GetCharacter,
         Engine::SliderLow(), Engine::SliderHigh(), -2000, 10000,
         "Decay of the waveshaper's higher-order terms in thousandths: lower values give more "
         "upper harmonics, higher ones a rounder sound."},
        {ParameterId::Dynamics, "Dynamics", false, &Engine::SetDynamics, &Engine::GetDynamics,
         Engine::SliderLow(), Engine::DynamicsSliderHigh(), -99999, 0,
         "Time constant of the tube stage's DC-blocking high-pass in milliseconds with the sign "
         "turned: -1000 is 1 s, -250 0.25 s (corner near 0.6 Hz), -1 1 ms (corner near 160 Hz)."},
        {ParameterId::Tape, "Tape", true, &Engine::SetTape, &Engine::GetTape, 0, 1,
         kAnyLow, kAnyHigh,
         "Tape stage: on (1) soft-clips with the knee and limiter settings; off (0) hard-clips at "
         "full scale."},
        {ParameterId::Knee, "Knee", false, &Engine::SetKnee, &Engine::GetKnee,
         Engine::KneeSliderLow(), Engine::SliderHigh(), -6998, 6998,
         "Hardness of the tape clip: the curve's base is 8 + knee/1000, so -5000 (base 3) is the "
         "gentlest, 0 (base 8) the default and 5000 (base 13) the hardest."},
        {ParameterId::Limiter, "Limiter", false, &Engine::SetLimiter, &Engine::GetLimiter,
         Engine::SliderLow(), Engine::LimiterSliderHigh(), -1000, 0,
         "Ceiling of the tape clip in thousandths of full scale with the sign turned: -1000 is full "
         "scale (0 dB), -500 half (-6 dB), -250 a quarter (-12 dB)."},
        {ParameterId::Dither, "Dither", true, &Engine::SetDither, &Engine::GetDither, 0, 1,
         kAnyLow, kAnyHigh,
         "Dither: on (1) adds one-sided dither of one step of the output word length; off (0) adds "
         "none, which makes the output bit-exact and repeatable."},
    }};

    static constexpr const ParameterInfo& Get(ParameterId id) noexcept
    {
        return All[static_cast<std::size_t>(id)];
    }

    // Case-insensitive lookup by name; nullptr when there is none.
    static const ParameterInfo* Find(std::string_view name) noexcept;

};
