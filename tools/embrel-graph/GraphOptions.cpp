#include "tools/embrel-graph/GraphOptions.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "engine/FactoryPresets.h"

namespace {

bool ParseLong(const char* text, long* value)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0)
        return false;
    *value = v;
    return true;
}

} // namespace

const char* GraphOptions::UsageText()
{
    return "usage: embrel-graph [options] INPUT.wav OUTPUT.wav\n"
           "  --module PATH          load the filter from this module instead of the registry\n"
           "  --preset NAME|N        apply a factory preset by name (case ignored) or number (0-9)\n"
           "  --list-presets         list the factory presets and exit\n"
           "  --set NAME=VALUE       set one setting (Gain, Tube, Mix, Character, Dynamics,\n"
           "                         Tape, Knee, Limiter, Dither); values clamp to the ranges\n"
           "  --float                stream 32-bit float samples and write a float WAV\n"
           "  --buffer-bytes N       bytes per media sample (default 16384)\n"
           "  --load-settings FILE   load a 56-byte settings record before the run\n"
           "  --save-settings FILE   save the settings record after the run\n"
           "  --print-settings       print the nine settings after the run\n"
           "  -h, --help             show this text and exit\n"
           "  --version              show the version and exit\n";
}

GraphOptions::Action GraphOptions::Parse(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0)
            return Action::Help;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0)
            return Action::Version;
        if (std::strcmp(argv[i], "--list-presets") == 0)
            return Action::ListPresets;
    }
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-')
            files.push_back(argv[i]);
        else if (!TakeOption(argc, argv, i))
            return Action::UsageError;
    }
    if (files.size() != 2) {
        error = files.size() < 2 ? "INPUT.wav and OUTPUT.wav are needed" : "too many file names";
        return Action::UsageError;
    }
    input = files[0];
    output = files[1];
    return Action::Run;
}

bool GraphOptions::TakeOption(int argc, char** argv, int& i)
{
    const std::string arg = argv[i];
    if (arg == "--float")
        return asFloat = true;
    if (arg == "--print-settings")
        return printSettings = true;
    if (i + 1 >= argc) {
        error = arg + (arg.rfind("--", 0) == 0 ? " needs a value or is unknown" : " is not an option");
        return false;
    }
    const char* value = argv[++i];
    long number = 0;
    if (arg == "--module")
        module = value;
    else if (arg == "--load-settings")
        loadSettings = value;
    else if (arg == "--save-settings")
        saveSettings = value;
    else if (arg == "--preset")
        return TakePreset(value);
    else if (arg == "--buffer-bytes" && ParseLong(value, &number) && number > 0 && number <= (64L << 20))
        bufferBytes = number;
    else if (arg == "--set") {
        const char* eq = std::strchr(value, '=');
        if (eq == nullptr || !ParseLong(eq + 1, &number) || number < INT_MIN || number > INT_MAX)
            return false;
        sets.emplace_back(std::string(value, eq), static_cast<int>(number));
    } else {
        error = "unknown option or bad value: " + arg + " " + value;
        return false;
    }
    return true;
}

// A number goes to the filter as it is (the filter refuses one it does not have); a
// name is looked up here.
bool GraphOptions::TakePreset(const char* value)
{
    long number = -1;
    if (ParseLong(value, &number) && number >= INT_MIN && number <= INT_MAX) {
        havePreset = true;
        preset = int(number);
        return true;
    }
    const FactoryPreset* found = FactoryPresets::Find(value);
    if (!found) {
        error = std::string("no factory preset is named \"") + value + "\" (see --list-presets)";
        return false;
    }
    havePreset = true;
    preset = int(found - FactoryPresets::All().data());
    return true;
}
