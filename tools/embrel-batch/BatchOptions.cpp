#include "tools/embrel-batch/BatchOptions.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/FactoryPresets.h"
#include "engine/ParameterTable.h"
#include "tools/ToolVersion.h"
#include "tools/embrel-batch/OutputFormats.h"

namespace {

bool ParseInt(const std::string& text, int& value)
{
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < INT_MIN || v > INT_MAX) return false;
    value = int(v);
    return true;
}

bool ParseSwitch(const std::string& text, int& value)
{
    if (text == "on") value = 1;
    else if (text == "off") value = 0;
    else return false;
    return true;
}

}  // namespace

std::string BatchOptions::UsageText()
{
    // What each numeric parameter's integer N means, in table order.
    constexpr std::array<std::pair<ParameterId, const char*>, 6> meanings{{
        {ParameterId::Gain, "input gain, -N/1000 (2.0 .. 0)"},
        {ParameterId::Mix, "waveshaper amount, 10^(-N/1000)"},
        {ParameterId::Character, "decay of the higher terms, N/1000"},
        {ParameterId::Dynamics, "high-pass time constant, -N/1000 s"},
        {ParameterId::Knee, "soft-clip knee, -N/1000"},
        {ParameterId::Limiter, "soft-clip ceiling, -N/1000"},
    }};
    const SaturationSettings& defaults = FactoryPresets::Get(0)->settings;

    std::string text = "Usage: embrel-batch [options] INPUT OUTPUT\n"
                       "       embrel-batch [options] INPUT... -o DIR | --suffix TEXT\n"
                       "       embrel-batch --preview [options] INPUT\n"
                       "Embrels mono or stereo sound files (WAV, RF64, W64, AIFF, FLAC, Ogg) into OUTPUT,\n"
                       "keeping the input's container and sample format. - is stdin or stdout.\n"
                       "\n"
                       "Parameters, on the integer scale of the sliders (range, default):\n";
    auto optionName = [](const ParameterInfo& p) {
        std::string name = "--" + std::string(p.name);
        for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
        return name;
    };
    char line[160];
    for (const auto& [id, meaning] : meanings) {
        const ParameterInfo& p = ParameterTable::Get(id);
        std::snprintf(line, sizeof line, "  %-16s %5d .. %-5d %6d   %s\n", (optionName(p) + " N").c_str(), p.low,
                      p.high, defaults[id], meaning);
        text += line;
    }
    text += "Switches (default):\n";
    for (const ParameterInfo& p : ParameterTable::All)
        if (p.isSwitch) text += "  " + optionName(p) + " on|off (" + (defaults[p.id] ? "on)" : "off)");
    text += "\n"
            "Other options:\n"
            "  --preset NAME|N  start from a factory preset (case ignored); later options override it\n"
            "  --list-presets   list the factory presets and exit\n"
            "  --allow-out-of-range  pass values outside the engine's range on to it\n"
            "Files:\n"
            "  -o, --output-dir DIR  write each result into DIR under its input's name\n"
            "  --suffix TEXT    write each result beside its input, TEXT before the extension\n"
            "  -j, --jobs N     files at once (default: the number of cores)\n"
            "  -n, --no-clobber leave an existing OUTPUT alone\n"
            "  --format NAME    output container: " + OutputFormats::Names() + "\n"
            "  --bits N         output word length: 8, 16, 24, 32, or 32f/64f for float\n"
            "Sound:\n"
            "  --listen         play the result while it is made (paced by the device) and write it\n"
            "  --preview        play the result once and write nothing (no OUTPUT.wav)\n"
            "  --device N       play on wave-out device N (default: the system's choice)\n"
            "  --list-devices   list the wave-out devices (id and name) and exit\n"
            "  --no-realtime-watch  no warning when the machine cannot keep up with the device\n"
            "  -q, --quiet      print nothing but errors\n"
            "  -h, --help       show this text and exit\n"
            "  --version        show the version and exit\n"
            "On a terminal, space pauses and resumes a run and q stops it (OUTPUT.wav unchanged).\n"
            "\n"
            "The result is made in a hidden file beside OUTPUT.wav (.~Embrel~ and six characters)\n"
            "and replaces OUTPUT.wav only when the run has succeeded, keeping its mode.\n";
    return text;
}

std::string BatchOptions::VersionText()
{
    return VersionLine("embrel-batch");
}

BatchOptions::Action BatchOptions::Parse(int argc, char** argv)
{
    settings = FactoryPresets::Get(0)->settings;
    listPresets = listDevices = false;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            return Action::Help;
        } else if (!TakeSwitch(arg) && !TakeValued(argc, argv, i)) {
            return Action::UsageError;
        }
    }
    return Finish(files);
}

bool BatchOptions::TakeSwitch(const std::string& arg)
{
    if (arg == "-q" || arg == "--quiet") quiet = true;
    else if (arg == "-n" || arg == "--no-clobber") noClobber = true;
    else if (arg == "--allow-out-of-range") allowOutOfRange = true;
    else if (arg == "--version") version = true;
    else if (arg == "--list-presets") listPresets = true;
    else if (arg == "--list-devices") listDevices = true;
    else if (arg == "--listen") listen = true;
    else if (arg == "--preview") preview = true;
    else if (arg == "--no-realtime-watch") realtimeWatch = false;
    else return false;
    return true;
}

// An option with a value, as "--name value", "--name=value" or "-jN"; false with error set.
bool BatchOptions::TakeValued(int argc, char** argv, int& i)
{
    const std::string arg = argv[i];
    std::string name = arg, value;
    bool hasValue = false;
    if (const auto eq = arg.find('='); eq != std::string::npos && arg[1] == '-') {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
        hasValue = true;
    } else if (arg[1] != '-' && arg.size() > 2) {
        name = arg.substr(0, 2);
        value = arg.substr(2);
        hasValue = true;
    }
    static const char* const toolOptions[] = {"--device", "--preset", "-o", "--output-dir", "-j",
                                              "--jobs", "--suffix", "--format", "--bits"};
    const bool toolOption = std::find(std::begin(toolOptions), std::end(toolOptions), name) != std::end(toolOptions);
    const ParameterInfo* parameter =
        name.size() > 2 && name[1] == '-' ? ParameterTable::Find(std::string_view(name).substr(2)) : nullptr;
    if (!toolOption && !parameter) {
        error = "unknown option " + name;
        return false;
    }
    if (!hasValue && i + 1 < argc) {
        value = argv[++i];
        hasValue = true;
    }
    if (toolOption) return TakeToolOption(name, hasValue, value);
    if (!hasValue) {
        error = name + " needs a value";
        return false;
    }
    int v = 0;
    if (parameter->isSwitch ? !ParseSwitch(value, v) : !ParseInt(value, v)) {
        error = name + (parameter->isSwitch ? " takes on or off, not \"" : " takes an integer, not \"") + value + "\"";
        return false;
    }
    settings[parameter->id] = v;
    return true;
}

bool BatchOptions::TakeToolOption(const std::string& name, bool hasValue, const std::string& value)
{
    if (name == "--device") return TakeDevice(hasValue, value);
    if (name == "--preset") return TakePreset(hasValue, value);
    if (!hasValue || value.empty()) {
        error = name + " needs a value";
        return false;
    }
    if (name == "-o" || name == "--output-dir") {
        outputDirectory = value;
    } else if (name == "--suffix") {
        suffix = value;
    } else if (name == "-j" || name == "--jobs") {
        if (!ParseInt(value, jobs) || jobs < 1 || jobs > 256) {
            error = name + " takes a number of files at once from 1 to 256, not \"" + value + "\"";
            return false;
        }
    } else if (name == "--format") {
        format = value;
        for (char& c : format) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (!OutputFormats::Find(format)) {
            error = "--format takes " + OutputFormats::Names() + ", not \"" + value + "\"";
            return false;
        }
    } else {  // --bits
        floatOutput = value == "32f" || value == "64f";
        const bool known = floatOutput ? (bits = value == "32f" ? 32 : 64)
                                       : ParseInt(value, bits) && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
        if (!known) {
            error = "--bits takes 8, 16, 24, 32, 32f or 64f, not \"" + value + "\"";
            return false;
        }
    }
    return true;
}

bool BatchOptions::TakeDevice(bool hasValue, const std::string& value)
{
    int id = -1;
    if (!hasValue || !ParseInt(value, id) || id < 0 || id > 0xFFFF) {
        error = "--device takes a device id from 0 to 65535 (see --list-devices)";
        return false;
    }
    device = id;
    return true;
}

bool BatchOptions::TakePreset(bool hasValue, const std::string& value)
{
    if (!hasValue) {
        error = "--preset needs a name or number";
        return false;
    }
    int number = -1;
    const FactoryPreset* preset = ParseInt(value, number) ? FactoryPresets::Get(number) : FactoryPresets::Find(value);
    if (!preset) {
        error = "no factory preset is named or numbered \"" + value + "\" (see --list-presets)";
        return false;
    }
    settings = preset->settings;
    return true;
}

// Values outside what the engine accepts are refused unless they are to be passed on.
bool BatchOptions::CheckRanges()
{
    if (allowOutOfRange) return true;
    for (const ParameterInfo& p : ParameterTable::All) {
        const int v = settings[p.id];
        if (p.isSwitch || (v >= p.acceptedLow && v <= p.acceptedHigh)) continue;
        std::string name = p.name;
        for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
        error = "--" + name + " " + std::to_string(v) + " is outside the accepted range " +
                std::to_string(p.acceptedLow) + " .. " + std::to_string(p.acceptedHigh) + " (sliders " +
                std::to_string(p.low) + " .. " + std::to_string(p.high) + "); --allow-out-of-range passes it on";
        return false;
    }
    return true;
}

BatchOptions::Action BatchOptions::Finish(const std::vector<std::string>& files)
{
    if (version) return Action::Version;
    if (listPresets) return Action::ListPresets;
    if (listDevices) return Action::ListDevices;
    if (!CheckRanges()) return Action::UsageError;
    if (IsBatch()) return FinishBatch(files);
    if (preview) {
        if (files.size() != 1) {
            error = files.empty() ? "INPUT is needed" : "--preview writes nothing: give INPUT only";
            return Action::UsageError;
        }
        input = files[0];
        return Action::Run;
    }
    if (files.size() != 2) {
        error = files.size() < 2 ? "INPUT and OUTPUT are needed (or INPUT... -o DIR)"
                                 : "more than two files need -o DIR or --suffix TEXT";
        return Action::UsageError;
    }
    input = files[0];
    output = files[1];
    return Action::Run;
}

BatchOptions::Action BatchOptions::FinishBatch(const std::vector<std::string>& files)
{
    if (!outputDirectory.empty() && !suffix.empty()) error = "give -o DIR or --suffix TEXT, not both";
    else if (files.empty()) error = "no INPUT files are given";
    else if (preview || listen) error = "--preview and --listen take one file, not a batch";
    else if (std::find(files.begin(), files.end(), "-") != files.end()) error = "- (stdin) cannot be part of a batch";
    else if (suffix.find('/') != std::string::npos) error = "--suffix cannot hold a /";
    if (!error.empty()) return Action::UsageError;
    inputs = files;
    return Action::Run;
}
