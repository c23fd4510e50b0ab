#include "FactoryPresets.h"

#include "NameMatch.h"

namespace {

// gain, tube, mix, character, dynamics, tape, knee, limiter, dither
constexpr std::array<FactoryPreset, FactoryPresets::Count> Table{{
    {"(Default)", {-1000, 1, 999, 1000, -250, 1, 0, -1000, 1}},
    {"Am-Tube Clean", {-863, 1, 3360, 1034, -944, 0, 2011, -557, 1}},
    {"Blown Speaker", {-1000, 1, -375, 241, -88, 1, 0, -1000, 1}},
    {"Br-Tube Break-up", {-1187, 1, 380, 962, -920, 1, 5000, -916, 1}},
    {"Br-Tube Clean", {-755, 1, 2696, -93, -982, 1, -2525, -1000, 1}},
    {"Bypass", {-997, 0, 5000, 5000, -1, 0, 5000, -250, 0}},
    {"Mellow Blend", {-1000, 1, 1287, 2269, -250, 1, -2348, -1000, 1}},
    {"MS-16 +3dB", {-995, 0, 1320, -93, -844, 1, 3241, -705, 1}},
    {"MS-16 +6dB", {-995, 0, 1320, -93, -844, 1, 3059, -543, 1}},
    {"Tube Blast", {-1237, 1, 239, 852, -502, 1, -474, -861, 1}},
}};

}  // namespace

const std::array<FactoryPreset, FactoryPresets::Count>& FactoryPresets::All() noexcept
{
    return Table;
}

const FactoryPreset* FactoryPresets::Get(int index) noexcept
{
    if (index < 0 || index >= int(Count)) return nullptr;
    return &Table[std::size_t(index)];
}

const FactoryPreset* FactoryPresets::Find(std::string_view name) noexcept
{
    for (const FactoryPreset& p : Table)
        if (SameNameIgnoringCase(p.name, name)) return &p;
    return nullptr;
}
