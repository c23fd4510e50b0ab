#pragma once

#include <string>

#include "filter/lv2/Lv2Ports.h"

// The Turtle files of the calyrix.lv2 bundle, written from the parameter table and the
// factory presets: manifest.ttl, embrel.ttl (both variants and their ports) and presets.ttl.
class Lv2TurtleWriter {
public:
    static constexpr const char* PluginsFile = "embrel.ttl";
    static constexpr const char* PresetsFile = "presets.ttl";

    static std::string Manifest();
    static std::string Plugins();
    static std::string Presets();

    // "urn:calyrix:embrel:stereo:preset:tube-blast" for "Tube Blast" on the stereo variant.
    static std::string PresetUri(const Lv2Ports::Variant& variant, int preset);
    // The port symbol of a setting: its name in lower case.
    static std::string Symbol(const ParameterInfo& info);
};
