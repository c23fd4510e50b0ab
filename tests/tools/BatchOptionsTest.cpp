#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "engine/FactoryPresets.h"
#include "engine/SaturationEngine.h"
#include "tools/embrel-batch/BatchOptions.h"

namespace {

BatchOptions::Action Parse(BatchOptions& o, std::initializer_list<const char*> args)
{
    std::vector<std::string> storage{"embrel-batch"};
    for (const char* a : args) storage.emplace_back(a);
    std::vector<char*> argv;
    for (auto& s : storage) argv.push_back(s.data());
    return o.Parse(int(argv.size()), argv.data());
}

}  // namespace

TEST(FactoryPresets, TheDefaultPresetIsAFreshEnginesSettingsAndNamesMatchIgnoringCase)
{
    SaturationEngine engine;
    EXPECT_EQ(FactoryPresets::Get(0)->settings, SaturationSettings::FromEngine(engine));
    EXPECT_STREQ(FactoryPresets::Get(0)->name, "(Default)");
    ASSERT_NE(FactoryPresets::Find("tube BLAST"), nullptr);
    EXPECT_EQ(FactoryPresets::Find("tube BLAST"), FactoryPresets::Get(9));
    EXPECT_EQ(FactoryPresets::Find("Tube"), nullptr);
    EXPECT_EQ(FactoryPresets::Get(10), nullptr);
    EXPECT_EQ(FactoryPresets::Get(-1), nullptr);
    // Every preset lies inside the control ranges.
    for (const FactoryPreset& p : FactoryPresets::All())
        for (const ParameterInfo& info : ParameterTable::All)
            EXPECT_EQ(info.Clamp(p.settings[info.id]), p.settings[info.id]) << p.name << " " << info.name;
}

TEST(BatchOptions, OptionsApplyInOrderSoOnlyLaterOnesOverrideAPreset)
{
    BatchOptions o;
    ASSERT_EQ(Parse(o, {"--mix", "123", "--preset", "BYPASS", "--tube", "on", "--knee=-42", "in.wav",
                        "out.wav"}),
              BatchOptions::Action::Run)
        << o.error;
    SaturationSettings expected = FactoryPresets::Find("Bypass")->settings;
    expected.tube = 1;
    expected.knee = -42;
    EXPECT_EQ(o.settings, expected) << "the --mix before the preset is overridden by it";
    EXPECT_EQ(o.input, "in.wav");
    EXPECT_EQ(o.output, "out.wav");
    EXPECT_FALSE(o.quiet);
}

TEST(BatchOptions, DefaultsAreTheDefaultPresetAndOutOfRangeValuesPassOnlyWhenAllowed)
{
    BatchOptions o;
    ASSERT_EQ(Parse(o, {"-q", "--mix", "7000", "--dither", "off", "a", "b", "--allow-out-of-range"}),
              BatchOptions::Action::Run);
    SaturationSettings expected = FactoryPresets::Get(0)->settings;
    expected.mix = 7000;  // the engine reports it and uses it
    expected.dither = 0;
    EXPECT_EQ(o.settings, expected);
    EXPECT_TRUE(o.quiet);

    // The edges of the accepted range pass; one past them does not.
    BatchOptions edge;
    EXPECT_EQ(Parse(edge, {"--gain", "-19999", "--mix", "6999", "--limiter", "0", "a", "b"}), BatchOptions::Action::Run);
    for (auto args : {std::initializer_list<const char*>{"--gain", "1", "a", "b"},
                      std::initializer_list<const char*>{"--limiter=-1001", "a", "b"}}) {
        BatchOptions o2;
        EXPECT_EQ(Parse(o2, args), BatchOptions::Action::UsageError);
        EXPECT_NE(o2.error.find("outside the accepted range"), std::string::npos) << o2.error;
    }
}

TEST(BatchOptions, PresetsByNumberAndTheBatchForm)
{
    BatchOptions o;
    ASSERT_EQ(Parse(o, {"--preset", "9", "-j2", "-n", "-o", "out", "x.wav", "y.flac", "z.aiff"}),
              BatchOptions::Action::Run) << o.error;
    EXPECT_EQ(o.settings, FactoryPresets::Get(9)->settings);
    EXPECT_TRUE(o.IsBatch());
    EXPECT_EQ(o.inputs, (std::vector<std::string>{"x.wav", "y.flac", "z.aiff"}));
    EXPECT_EQ(o.jobs, 2);
    EXPECT_TRUE(o.noClobber);

    const std::vector<std::vector<const char*>> bad = {
        {"--preset", "10", "a", "b"},
        {"-o", "d", "--suffix", "-x", "a"},
        {"-o", "d"},
        {"-o", "d", "-", "a"},
        {"--suffix", "x/y", "a"},
        {"-j", "0", "-o", "d", "a"},
        {"--listen", "-o", "d", "a"},
        {"--format", "mp3", "a", "b"},
        {"--bits", "12", "a", "b"},
    };
    for (const auto& args : bad) {
        BatchOptions b;
        std::vector<std::string> storage{"embrel-batch"};
        for (const char* a : args) storage.emplace_back(a);
        std::vector<char*> argv;
        for (auto& s : storage) argv.push_back(s.data());
        EXPECT_EQ(b.Parse(int(argv.size()), argv.data()), BatchOptions::Action::UsageError) << storage[1];
    }
}

TEST(BatchOptions, MalformedCommandLinesAreUsageErrors)
{
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"only.wav"},
        {"a", "b", "c"},
        {"--gain", "abc", "a", "b"},
        {"--gain", "99999999999", "a", "b"},
        {"--tube", "maybe", "a", "b"},
        {"--preset", "No Such Preset", "a", "b"},
        {"--volume", "3", "a", "b"},
        {"a", "b", "--limiter"},
    };
    for (const auto& args : bad) {
        BatchOptions o;
        std::vector<std::string> storage{"embrel-batch"};
        for (const char* a : args) storage.emplace_back(a);
        std::vector<char*> argv;
        for (auto& s : storage) argv.push_back(s.data());
        EXPECT_EQ(o.Parse(int(argv.size()), argv.data()), BatchOptions::Action::UsageError)
            << storage.size() << " arguments";
        EXPECT_FALSE(o.error.empty());
    }
    BatchOptions o;
    EXPECT_EQ(Parse(o, {"a", "--help"}), BatchOptions::Action::Help);
    EXPECT_EQ(Parse(o, {"--list-presets"}), BatchOptions::Action::ListPresets);
    EXPECT_EQ(Parse(o, {"--", "-in.wav", "-out.wav"}), BatchOptions::Action::Run);
    EXPECT_EQ(o.input, "-in.wav");
}

// Every option the help text names is in the man page and the bash completion.
TEST(BatchOptions, TheManPageAndCompletionKnowEveryOption)
{
    auto read = [](const char* path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::string man = read(BATCH_SOURCE_DIR "/embrel-batch.1");
    const std::string completion = read(BATCH_SOURCE_DIR "/embrel-batch.bash-completion");
    ASSERT_FALSE(man.empty());
    ASSERT_FALSE(completion.empty());
    const std::string help = BatchOptions::UsageText();
    int options = 0;
    for (std::size_t at = 0; (at = help.find(" --", at)) != std::string::npos; ++options) {
        const std::size_t end = help.find_first_of(" =\n,", at + 1);
        const std::string option = help.substr(at + 1, end - at - 1);
        std::string escaped;
        for (char c : option) escaped += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(man.find(escaped), std::string::npos) << option;
        bool completed = false;  // the whole word, not the start of a longer option
        for (std::size_t c = 0; !completed && (c = completion.find(option, c)) != std::string::npos; c += option.size())
            completed = std::string(" \n\")|").find(completion[c + option.size()]) != std::string::npos;
        EXPECT_TRUE(completed) << option;
        at = end;
    }
    EXPECT_GE(options, 25);
}
