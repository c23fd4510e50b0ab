#include "tools/embrel-batch/BatchOptions.h"

#include <array>
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

    std::string text = "Usage: embrel-batch [options] INPUT.wav OUTPUT.wav\n"
                       "       embrel-batch --preview [options] INPUT.wav\n"
                       "Embrels an 8- or 16-bit mono or stereo PCM WAV file into OUTPUT.wav (same format).\n"
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
            "  --preset NAME    start from a factory preset (case ignored); later options override it\n"
            "  --list-presets   list the factory presets and exit\n"
            "Sound:\n"
            "  --listen         play the result while it is made (paced by the device) and write it\n"
            "  --preview        play the result once and write nothing (no OUTPUT.wav)\n"
            "  --device N       play on wave-out device N (default: the system's choice)\n"
            "  --list-devices   list the wave-out devices (id and name) and exit\n"
            "  --no-realtime-watch  no warning when the machine cannot keep up with the device\n"
            "  -q, --quiet      no progress bar\n"
            "  -h, --help       show this text and exit\n"
            "On a terminal, space pauses and resumes a run and q stops it (OUTPUT.wav unchanged).\n"
            "\n"
            "The result is made in a hidden file beside OUTPUT.wav (.~Embrel~ and six characters)\n"
            "and replaces OUTPUT.wav only when the run has succeeded, keeping its mode.\n";
    return text;
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
    else if (arg == "--list-presets") listPresets = true;
    else if (arg == "--list-devices") listDevices = true;
    else if (arg == "--listen") listen = true;
    else if (arg == "--preview") preview = true;
    else if (arg == "--no-realtime-watch") realtimeWatch = false;
    else return false;
    return true;
}

// An option with a value, as "--name value" or "--name=value"; false with error set.
bool BatchOptions::TakeValued(int argc, char** argv, int& i)
{
    const std::string arg = argv[i];
    std::string name = arg, value;
    bool hasValue = false;
    if (const auto eq = arg.find('='); eq != std::string::npos) {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
        hasValue = true;
    }
    const ParameterInfo* parameter =
        name.size() > 2 ? ParameterTable::Find(std::string_view(name).substr(2)) : nullptr;
    if (name != "--device" && name != "--preset" && !parameter) {
        error = "unknown option " + name;
        return false;
    }
    if (!hasValue && i + 1 < argc) {
        value = argv[++i];
        hasValue = true;
    }
    if (name == "--device") return TakeDevice(hasValue, value);
    if (name == "--preset") return TakePreset(hasValue, value);
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
        error = "--preset needs a name";
        return false;
    }
    const FactoryPreset* preset = FactoryPresets::Find(value);
    if (!preset) {
        error = "no factory preset is named \"" + value + "\" (see --list-presets)";
        return false;
    }
    settings = preset->settings;
    return true;
}

BatchOptions::Action BatchOptions::Finish(const std::vector<std::string>& files)
{
    if (listPresets) return Action::ListPresets;
    if (listDevices) return Action::ListDevices;
    if (preview) {
        if (files.size() != 1) {
            error = files.empty() ? "INPUT.wav is needed" : "--preview writes nothing: give INPUT.wav only";
            return Action::UsageError;
        }
        input = files[0];
        return Action::Run;
    }
    if (files.size() != 2) {
        error = files.size() < 2 ? "INPUT.wav and OUTPUT.wav are needed" : "too many file names";
        return Action::UsageError;
    }
    input = files[0];
    output = files[1];
    return Action::Run;
}
