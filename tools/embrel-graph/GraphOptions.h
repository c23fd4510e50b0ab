#pragma once

#include <string>
#include <utility>
#include <vector>

// The command line of embrel-graph.
struct GraphOptions {
    enum class Action { Run, Help, Version, ListPresets, UsageError };

    // Fills the options from argv (help wins wherever it stands).
    Action Parse(int argc, char** argv);
    static const char* UsageText();

    std::string input;
    std::string output;
    std::string module;
    bool havePreset = false;
    int preset = 0;
    std::vector<std::pair<std::string, int>> sets;
    bool asFloat = false;
    long bufferBytes = 16384;
    std::string loadSettings;
    std::string saveSettings;
    bool printSettings = false;
    std::string error;  // why the command line is a usage error

private:
    // Takes the option at argv[i] and its value; false for a bad one.
    bool TakeOption(int argc, char** argv, int& i);
    bool TakePreset(const char* value);
};
