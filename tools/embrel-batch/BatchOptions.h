#pragma once

#include <string>

#include "engine/SaturationSettings.h"

// The command line of embrel-batch. Parameters and presets apply in the order given,
// so an option after --preset overrides the preset's value.
class BatchOptions {
public:
    enum class Action { Run, Help, ListPresets, UsageError };

    // Fills the options from argv; on a usage error, error says why.
    Action Parse(int argc, char** argv);

    static const char* UsageText() noexcept;

    SaturationSettings settings{};
    std::string input;
    std::string output;
    bool quiet = false;
    std::string error;
};
