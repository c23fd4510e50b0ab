#include "program/ui/CPresets.h"

#include "program/ui/AnsiText.h"

CPresets::CPresets(std::string name, const SaturationSettings& values) : name(std::move(name))
{
    SetSettings(values);
}

SaturationSettings CPresets::GetSettings() const noexcept
{
    return {gain, tube, mix, character, dynamics, tape, knee, limiter, dither};
}

void CPresets::SetSettings(const SaturationSettings& values) noexcept
{
    gain = values.gain;
    tube = values.tube;
    mix = values.mix;
    character = values.character;
    dynamics = values.dynamics;
    tape = values.tape;
    knee = values.knee;
    limiter = values.limiter;
    dither = values.dither;
}

const std::string& CPresets::NameForFile() const
{
    if (!storedName.empty() && NameFromFile(storedName) == name)
        return storedName;
    return name;
}
