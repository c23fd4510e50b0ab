#include "filter/lv2/Lv2TurtleWriter.h"

#include <cctype>

#include "engine/FactoryPresets.h"
#include "engine/ParameterTable.h"

namespace {

constexpr const char* Prefixes =
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix param: <http://lv2plug.in/ns/ext/parameters#> .\n"
    "@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string Uri(const std::string& uri)
{
    return "<" + uri + ">";
}

std::string Int(int value)
{
    return std::to_string(value);
}

// "tube-blast" for "Tube Blast", "ms-16-3db" for "MS-16 +3dB".
std::string Slug(const char* name)
{
    std::string out;
    for (const char* p = name; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (std::isalnum(c)) out += static_cast<char>(std::tolower(c));
        else if (!out.empty() && out.back() != '-') out += '-';
    }
    while (!out.empty() && out.back() == '-') out.pop_back();
    return out;
}

std::string PortHead(const char* kind, std::uint32_t index, const std::string& symbol, const char* name)
{
    return std::string("        a lv2:") + kind + ", lv2:ControlPort ;\n        lv2:index " +
           Int(static_cast<int>(index)) + " ;\n        lv2:symbol " + Quoted(symbol) +
           " ;\n        lv2:name " + Quoted(name) + " ;\n";
}

std::string Range(int low, int high, int def)
{
    return "        lv2:default " + Int(def) + " ;\n        lv2:minimum " + Int(low) +
           " ;\n        lv2:maximum " + Int(high) + " ;\n";
}

std::string SettingPort(const ParameterInfo& info)
{
    const int def = FactoryPresets::Get(0)->settings[info.id];
    return "    [\n" +
           PortHead("InputPort", Lv2Ports::Parameter(info.id), Lv2TurtleWriter::Symbol(info), info.name) +
           Range(info.low, info.high, def) + "        lv2:portProperty lv2:" +
           (info.isSwitch ? "toggled" : "integer") + " ;\n        rdfs:comment " +
           Quoted(info.description) + " ;\n    ]";
}

std::string WordLengthPort()
{
    std::string s = "    [\n" + PortHead("InputPort", Lv2Ports::WordLength, "word_length", "Word length") +
                    Range(Lv2Ports::WordLengths.front(), Lv2Ports::WordLengths.back(),
                          Lv2Ports::DefaultWordLength) +
                    "        lv2:portProperty lv2:integer, lv2:enumeration ;\n";
    for (int bits : Lv2Ports::WordLengths)
        s += "        lv2:scalePoint [ rdfs:label " + Quoted(Int(bits) + " bits") + " ; rdf:value " +
             Int(bits) + " ] ;\n";
    return s + "        rdfs:comment " +
           Quoted("Word length the dither is scaled to: one step of 8, 16 or 24 bits. A change "
                  "in mid-stream clears the tube stage's high-pass history once.") +
           " ;\n    ]";
}

std::string LevelPort(std::uint32_t index, const char* symbol, const char* name, const char* what)
{
    return "    [\n" + PortHead("OutputPort", index, symbol, name) +
           Range(Lv2Ports::LevelFloorDb, Lv2Ports::LevelCeilingDb, Lv2Ports::LevelFloorDb) +
           "        units:unit units:db ;\n        rdfs:comment " +
           Quoted(std::string("Peak level of the ") + what + " in the last run, in whole dB " +
                  "(truncated toward zero); " + Int(Lv2Ports::LevelFloorDb) + " for silence.") +
           " ;\n    ]";
}

std::string AudioPort(const Lv2Ports::Variant& v, bool input, int channel)
{
    const std::uint32_t index = input ? Lv2Ports::AudioIn(channel) : Lv2Ports::AudioOut(v.channels, channel);
    const char* side = v.channels == 1 ? "" : channel == 0 ? "_l" : "_r";
    const char* sideName = v.channels == 1 ? "" : channel == 0 ? " left" : " right";
    const char* designation = v.channels == 1 ? "pg:center" : channel == 0 ? "pg:left" : "pg:right";
    return std::string("    [\n        a lv2:") + (input ? "InputPort" : "OutputPort") +
           ", lv2:AudioPort ;\n        lv2:index " + Int(static_cast<int>(index)) +
           " ;\n        lv2:symbol " + Quoted(std::string(input ? "in" : "out") + side) +
           " ;\n        lv2:name " + Quoted(std::string(input ? "In" : "Out") + sideName) +
           " ;\n        pg:group " + Uri(std::string(v.uri) + (input ? ":in" : ":out")) +
           " ;\n        lv2:designation " + designation + " ;\n    ]";
}

std::string Group(const Lv2Ports::Variant& v, bool input)
{
    return Uri(std::string(v.uri) + (input ? ":in" : ":out")) + "\n    a pg:" +
           (v.channels == 1 ? "MonoGroup" : "StereoGroup") + ", pg:" + (input ? "InputGroup" : "OutputGroup") +
           " ;\n    lv2:symbol " + Quoted(input ? "in" : "out") + " ;\n    rdfs:label " +
           Quoted(input ? "Input" : "Output") + " .\n\n";
}

std::string Ports(const Lv2Ports::Variant& v)
{
    std::string s;
    for (const ParameterInfo& info : ParameterTable::All) s += SettingPort(info) + " ,\n";
    s += WordLengthPort() + " ,\n";
    s += LevelPort(Lv2Ports::InputLevel, "level_in", "Input level", "input") + " ,\n";
    s += LevelPort(Lv2Ports::OutputLevel, "level_out", "Output level", "output");
    for (int input = 1; input >= 0; --input)
        for (int c = 0; c < v.channels; ++c) s += " ,\n" + AudioPort(v, input != 0, c);
    return s;
}

std::string PluginEntry(const Lv2Ports::Variant& v)
{
    return Group(v, true) + Group(v, false) + Uri(v.uri) +
           "\n    a lv2:Plugin, lv2:DistortionPlugin ;\n    doap:name " + Quoted(v.name) +
           " ;\n    lv2:minorVersion 0 ;\n    lv2:microVersion 1 ;\n    rdfs:comment " +
           Quoted("Tube and tape saturation: an input gain, an asymmetric waveshaper with a "
                  "DC-blocking high-pass, a soft clip with adjustable knee and ceiling, and "
                  "one-sided dither. The settings are integers on the scale of the program's sliders.") +
           " ;\n    lv2:optionalFeature lv2:hardRTCapable, urid:map ;\n"
           "    lv2:extensionData opts:interface ;\n    opts:supportedOption param:sampleRate ;\n"
           "    pg:mainInput " + Uri(std::string(v.uri) + ":in") + " ;\n    pg:mainOutput " +
           Uri(std::string(v.uri) + ":out") + " ;\n    lv2:port\n" + Ports(v) + " .\n\n";
}

std::string PresetEntry(const Lv2Ports::Variant& v, int index)
{
    const FactoryPreset& preset = FactoryPresets::All()[static_cast<std::size_t>(index)];
    std::string s = Uri(Lv2TurtleWriter::PresetUri(v, index)) + "\n    a pset:Preset ;\n    lv2:appliesTo " +
                    Uri(v.uri) + " ;\n    rdfs:label " + Quoted(preset.name) + " ;\n    lv2:port ";
    for (const ParameterInfo& info : ParameterTable::All) {
        s += "[ lv2:symbol " + Quoted(Lv2TurtleWriter::Symbol(info)) + " ; pset:value " +
             Int(preset.settings[info.id]) + ".0 ]";
        s += info.id == ParameterTable::All.back().id ? " .\n\n" : " ,\n        ";
    }
    return s;
}

}  // namespace

std::string Lv2TurtleWriter::Symbol(const ParameterInfo& info)
{
    std::string s = info.name;
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Lv2TurtleWriter::PresetUri(const Lv2Ports::Variant& variant, int preset)
{
    return std::string(variant.uri) + ":preset:" + Slug(FactoryPresets::All()[static_cast<std::size_t>(preset)].name);
}

std::string Lv2TurtleWriter::Manifest()
{
    std::string s = Prefixes;
    for (const Lv2Ports::Variant& v : Lv2Ports::Variants) {
        s += Uri(v.uri) + "\n    a lv2:Plugin ;\n    lv2:binary " + Uri(Lv2Ports::BinaryName) +
             " ;\n    rdfs:seeAlso " + Uri(PluginsFile) + " .\n\n";
        for (int p = 0; p < static_cast<int>(FactoryPresets::Count); ++p)
            s += Uri(PresetUri(v, p)) + "\n    a pset:Preset ;\n    lv2:appliesTo " + Uri(v.uri) +
                 " ;\n    rdfs:seeAlso " + Uri(PresetsFile) + " .\n\n";
    }
    return s;
}

std::string Lv2TurtleWriter::Plugins()
{
    std::string s = Prefixes;
    for (const Lv2Ports::Variant& v : Lv2Ports::Variants) s += PluginEntry(v);
    return s;
}

std::string Lv2TurtleWriter::Presets()
{
    std::string s = Prefixes;
    for (const Lv2Ports::Variant& v : Lv2Ports::Variants)
        for (int p = 0; p < static_cast<int>(FactoryPresets::Count); ++p) s += PresetEntry(v, p);
    return s;
}
