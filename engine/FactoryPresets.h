#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "SaturationSettings.h"

// A named set of the nine settings: a 64-byte zero-padded ANSI name, then the settings.
struct FactoryPreset {
    char name[64];
    SaturationSettings settings;
};
static_assert(sizeof(FactoryPreset) == 100);

// The ten factory presets, defined once for every user of them.
class FactoryPresets {
public:
    static constexpr std::size_t Count = 10;

    static const std::array<FactoryPreset, Count>& All() noexcept;
    // nullptr for an index outside 0..9.
    static const FactoryPreset* Get(int index) noexcept;
    // Case-insensitive lookup by name; nullptr when there is none.
    static const FactoryPreset* Find(std::string_view name) noexcept;
};
