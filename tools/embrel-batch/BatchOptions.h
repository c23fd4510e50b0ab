#pragma once

#include <string>
#include <vector>

#include "engine/SaturationSettings.h"

// The command line of embrel-batch. Parameters and presets apply in the order given,
// so an option after --preset overrides the preset's value.
class BatchOptions {
public:
    enum class Action { Run, Help, ListPresets, ListDevices, UsageError };

    // Fills the options from argv; on a usage error, error says why.
    Action Parse(int argc, char** argv);

    // The usage text; ranges and defaults come from the parameter table.
    static std::string UsageText();

    SaturationSettings settings{};
    std::string input;
    std::string output;
    bool quiet = false;
    bool listen = false;         // play while processing
    bool preview = false;        // play only: no OUTPUT, nothing written
    int device = -1;             // wave-out device id; -1: the system's choice
    bool realtimeWatch = true;   // warn once when the machine cannot keep up
    std::string error;

private:
    bool TakeSwitch(const std::string& arg);
    bool TakeValued(int argc, char** argv, int& i);
    bool TakeDevice(bool hasValue, const std::string& value);
    bool TakePreset(bool hasValue, const std::string& value);
    Action Finish(const std::vector<std::string>& files);

    bool listPresets = false;
    bool listDevices = false;
};
