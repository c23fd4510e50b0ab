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
         Engine::GainSliderLow(), Engine::GainSliderHigh(), -19999, 0},
        {ParameterId::Tube, "Tube", true, &Engine::SetTube, &Engine::GetTube, 0, 1,
         kAnyLow, kAnyHigh},
        {ParameterId::Mix, "Mix", false, &Engine::SetMix, &Engine::GetMix,
         Engine::SliderLow(), Engine::SliderHigh(), -1301, 6999},
        {ParameterId::Character, "Character", false, &Engine::SetCharacter, &Engine::GetCharacter,
         Engine::SliderLow(), Engine::SliderHigh(), -2000, 10000},
        {ParameterId::Dynamics, "Dynamics", false, &Engine::SetDynamics, &Engine::GetDynamics,
         Engine::SliderLow(), Engine::DynamicsSliderHigh(), -99999, 0},
        {ParameterId::Tape, "Tape", true, &Engine::SetTape, &Engine::GetTape, 0, 1,
         kAnyLow, kAnyHigh},
        {ParameterId::Knee, "Knee", false, &Engine::SetKnee, &Engine::GetKnee,
         Engine::KneeSliderLow(), Engine::SliderHigh(), -6998, 6998},
        {ParameterId::Limiter, "Limiter", false, &Engine::SetLimiter, &Engine::GetLimiter,
         Engine::SliderLow(), Engine::LimiterSliderHigh(), -1000, 0},
        {ParameterId::Dither, "Dither", true, &Engine::SetDither, &Engine::GetDither, 0, 1,
         kAnyLow, kAnyHigh},
    }};

    static constexpr const ParameterInfo& Get(ParameterId id) noexcept
    {
        return All[static_cast<std::size_t>(id)];
    }

    // Case-insensitive lookup by name; nullptr when there is none.
    static const ParameterInfo* Find(std::string_view name) noexcept;

};
