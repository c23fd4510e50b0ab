#pragma once

#include <string>
#include <vector>

#include "engine/SaturationSettings.h"

// The command line of embrel-batch. Parameters and presets apply in the order given,
// so an option after --preset overrides the preset's value.
class BatchOptions {
public:
    enum class Action { Run, Help, Version, ListPresets, ListDevices, UsageError };

    // Fills the options from argv; on a usage error, error says why.
    Action Parse(int argc, char** argv);

    // The usage text; ranges and defaults come from the parameter table.
    static std::string UsageText();
    static std::string VersionText();

    // Whether the command line names many inputs (-o DIR, --suffix or more than two files).
    bool IsBatch() const { return !outputDirectory.empty() || !suffix.empty(); }

    SaturationSettings settings{};
    std::string input;
    std::string output;
    std::vector<std::string> inputs;  // the batch form's inputs
    std::string outputDirectory;      // -o DIR
    std::string suffix;               // --suffix TEXT: each result beside its input
    int jobs = 0;                     // -j N; 0: one per core
    bool noClobber = false;           // -n: an existing OUTPUT is left alone
    bool allowOutOfRange = false;     // values outside the engine's range go on to it
    std::string format;               // --format: the output container ("" keeps the input's)
    int bits = 0;                     // --bits: the output word length (0 keeps the input's; 32f float)
    bool floatOutput = false;
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
    bool TakeToolOption(const std::string& name, bool hasValue, const std::string& value);
    bool CheckRanges();
    Action Finish(const std::vector<std::string>& files);
    Action FinishBatch(const std::vector<std::string>& files);

    bool listPresets = false;
    bool listDevices = false;
    bool version = false;
};
