// The bundle as LV2 tools see it: valid against the LV2 vocabularies, every port and preset
// listed for both variants.
#include <gtest/gtest.h>

#include <string>

#include "Lv2TestSupport.h"
#include "engine/FactoryPresets.h"
#include "filter/lv2/Lv2TurtleWriter.h"

namespace {

// The vocabularies of the lv2-dev package, so that every term the bundle uses is defined.
const char* const vocabularies =
    "/usr/lib/lv2/{atom,buf-size,core,data-access,dynmanifest,event,instance-access,log,midi,"
    "morph,options,parameters,patch,port-groups,port-props,presets,resize-port,schemas,state,"
    "time,ui,units,uri-map,urid,worker}.lv2/*.ttl";

std::string Lv2Tool(const std::string& arguments, int& status)
{
    return RunCommand("env LV2_PATH='" LV2_TEST_PATH "' " + arguments, status);
}

TEST(Lv2Bundle, TurtleValidatesAgainstTheLv2Vocabularies)
{
    int status = 0;
    const std::string out = RunCommand(std::string("bash -c \"sord_validate ") + vocabularies + " '" LV2_BUNDLE "'/*.ttl\"", status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("Found 0 errors "), std::string::npos) << out;
}

TEST(Lv2Bundle, ToolsListBothVariantsWithEveryPortAndPreset)
{
    int status = 0;
    const std::string list = Lv2Tool("lv2ls", status);
    for (const Lv2Ports::Variant& v : Lv2Ports::Variants) {
        EXPECT_NE(list.find(v.uri), std::string::npos) << list;
        const std::string info = Lv2Tool(std::string("lv2info ") + v.uri, status);
        ASSERT_EQ(status, 0) << info;
        EXPECT_NE(info.find(std::string("Name:              ") + v.name + "\n"), std::string::npos) << info;

        std::vector<std::string> symbols{"word_length", "level_in", "level_out"};
        for (const ParameterInfo& p : ParameterTable::All) symbols.push_back(Lv2TurtleWriter::Symbol(p));
        for (const char* audio : {"in", "out"})
            for (const char* side : v.channels == 1 ? std::vector<const char*>{""} : std::vector<const char*>{"_l", "_r"})
                symbols.push_back(std::string(audio) + side);
        for (std::uint32_t port = 0; port < Lv2Ports::Count(v.channels); ++port)
            EXPECT_NE(info.find("Port " + std::to_string(port) + ":"), std::string::npos) << port;
        EXPECT_EQ(info.find("Port " + std::to_string(Lv2Ports::Count(v.channels)) + ":"), std::string::npos);
        for (const std::string& symbol : symbols)
            EXPECT_NE(info.find("Symbol:      " + symbol + "\n"), std::string::npos) << symbol;
        for (const FactoryPreset& preset : FactoryPresets::All())
            EXPECT_NE(info.find(std::string("\t         ") + preset.name + "\n"), std::string::npos) << preset.name;
    }
}

TEST(Lv2Bundle, PortRangesAndDefaultsComeFromTheParameterTable)
{
    Lv2TestHost host;
    const LilvPlugin* plugin = host.Plugin(Lv2Ports::Variants[0].uri);
    ASSERT_NE(plugin, nullptr);
    std::vector<float> low(Lv2Ports::Count(2)), high(low.size()), def(low.size());
    lilv_plugin_get_port_ranges_float(plugin, low.data(), high.data(), def.data());
    for (const ParameterInfo& info : ParameterTable::All) {
        const std::uint32_t port = Lv2Ports::Parameter(info.id);
        EXPECT_EQ(low[port], info.low) << info.name;
        EXPECT_EQ(high[port], info.high) << info.name;
        EXPECT_EQ(def[port], FactoryPresets::Get(0)->settings[info.id]) << info.name;
    }
    EXPECT_EQ(def[Lv2Ports::WordLength], 16.0f);
}

}  // namespace
