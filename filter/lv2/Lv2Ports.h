#pragma once

#include <array>
#include <cstdint>

#include "engine/ParameterTable.h"

// The ports of both variants of the LV2 plug-in: the nine settings in table order, the word
// length of the dither, the two level meters, then the audio inputs and the audio outputs.
namespace Lv2Ports {

constexpr std::uint32_t Parameter(ParameterId id) noexcept
{
    return static_cast<std::uint32_t>(id);
}

constexpr std::uint32_t WordLength = ParameterTable::Count;
constexpr std::uint32_t InputLevel = WordLength + 1;
constexpr std::uint32_t OutputLevel = WordLength + 2;
constexpr std::uint32_t FirstAudio = WordLength + 3;

constexpr std::uint32_t AudioIn(int channel) noexcept
{
    return FirstAudio + static_cast<std::uint32_t>(channel);
}

constexpr std::uint32_t AudioOut(int channels, int channel) noexcept
{
    return FirstAudio + static_cast<std::uint32_t>(channels + channel);
}

constexpr std::uint32_t Count(int channels) noexcept
{
    return FirstAudio + 2 * static_cast<std::uint32_t>(channels);
}

// The word lengths the dither can be scaled to; a value between them goes to the nearest.
constexpr std::array<int, 3> WordLengths{8, 16, 24};
constexpr int DefaultWordLength = 16;

// The level ports report at least this, also for silence.
constexpr int LevelFloorDb = -120;
constexpr int LevelCeilingDb = 24;

struct Variant {
    const char* uri;
    const char* name;
    int channels;
};

// lv2_descriptor's indices.
constexpr std::array<Variant, 2> Variants{{
    {"urn:calyrix:embrel:stereo", "Embrel", 2},
    {"urn:calyrix:embrel:mono", "Embrel (mono)", 1},
}};

constexpr const char* BinaryName = "embrel.so";

}  // namespace Lv2Ports
