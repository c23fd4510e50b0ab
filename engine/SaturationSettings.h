#pragma once

#include "ParameterTable.h"

// The nine integers in table order (36 bytes): stored settings, presets, persisted records.
struct SaturationSettings {
    int gain;
    int tube;
    int mix;
    int character;
    int dynamics;
    int tape;
    int knee;
    int limiter;
    int dither;

    int& operator[](ParameterId id) noexcept;
    int operator[](ParameterId id) const noexcept;

    // Reads all nine from an engine's getters; hands all nine to its setters in table order.
    static SaturationSettings FromEngine(SaturationEngine& engine) noexcept;
    void ApplyTo(SaturationEngine& engine) const noexcept;

    friend bool operator==(const SaturationSettings&, const SaturationSettings&) = default;
};
static_assert(sizeof(SaturationSettings) == 36);
