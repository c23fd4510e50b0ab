#include "SaturationSettings.h"

int& SaturationSettings::operator[](ParameterId id) noexcept
{
    switch (id) {
    case ParameterId::Gain: return gain;
    case ParameterId::Tube: return tube;
    case ParameterId::Mix: return mix;
    case ParameterId::Character: return character;
    case ParameterId::Dynamics: return dynamics;
    case ParameterId::Tape: return tape;
    case ParameterId::Knee: return knee;
    case ParameterId::Limiter: return limiter;
    case ParameterId::Dither: break;
    }
    return dither;
}

int SaturationSettings::operator[](ParameterId id) const noexcept
{
    return const_cast<SaturationSettings&>(*this)[id];
}

SaturationSettings SaturationSettings::FromEngine(SaturationEngine& engine) noexcept
{
    SaturationSettings s{};
    for (const ParameterInfo& p : ParameterTable::All)
        s[p.id] = (engine.*p.get)();
    return s;
}

void SaturationSettings::ApplyTo(SaturationEngine& engine) const noexcept
{
    for (const ParameterInfo& p : ParameterTable::All)
        (engine.*p.set)((*this)[p.id]);
}
