#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "filter/framework/MediaInterfaces.h"
#include "platform/com/ComErrors.h"
#include "tools/embrel-graph/GraphOptions.h"
#include "tools/embrel-graph/GraphRun.h"
#include "tools/embrel-graph/HResultText.h"

namespace {

GraphOptions::Action Parse(GraphOptions& options, std::vector<std::string> args)
{
    args.insert(args.begin(), "embrel-graph");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    return options.Parse(static_cast<int>(argv.size()), argv.data());
}

} // namespace

TEST(GraphOptions, ParsesEveryOptionAndTellsUsageErrorsFromHelp)
{
    GraphOptions o;
    ASSERT_EQ(Parse(o, {"--module", "m.ax", "--preset", "3", "--set", "Mix=-5", "--float", "--buffer-bytes", "4000",
                        "--load-settings", "a.rec", "--save-settings", "b.rec", "--print-settings", "in.wav",
                        "out.wav"}),
              GraphOptions::Action::Run);
    EXPECT_EQ(o.module, "m.ax");
    EXPECT_TRUE(o.havePreset);
    EXPECT_EQ(o.preset, 3);
    ASSERT_EQ(o.sets.size(), 1u);
    EXPECT_EQ(o.sets[0], (std::pair<std::string, int>("Mix", -5)));
    EXPECT_TRUE(o.asFloat && o.printSettings);
    EXPECT_EQ(o.bufferBytes, 4000);
    EXPECT_EQ(o.loadSettings + o.saveSettings + o.input + o.output, "a.recb.recin.wavout.wav");

    const std::vector<std::vector<std::string>> bad = {
        {"in.wav"},        {"a", "b", "c"},         {"--buffer-bytes", "0", "a", "b"}, {"--set", "Mix", "a", "b"},
        {"--set", "Mix=x", "a", "b"}, {"--bogus", "a", "b"}, {"a", "b", "--module"},
    };
    for (const auto& args : bad) {
        GraphOptions options;
        EXPECT_EQ(Parse(options, args), GraphOptions::Action::UsageError) << args[0];
    }
    GraphOptions help;
    EXPECT_EQ(Parse(help, {"--bogus", "-h"}), GraphOptions::Action::Help);
    EXPECT_EQ(Parse(help, {"--version"}), GraphOptions::Action::Version);
    EXPECT_EQ(Parse(help, {"a", "--list-presets"}), GraphOptions::Action::ListPresets);
}

TEST(GraphOptions, PresetsComeByNameOrNumberAndUnknownOnesSayWhy)
{
    GraphOptions o;
    ASSERT_EQ(Parse(o, {"--preset", "tube BLAST", "a", "b"}), GraphOptions::Action::Run) << o.error;
    EXPECT_EQ(o.preset, 9);
    GraphOptions b;
    EXPECT_EQ(Parse(b, {"--preset", "No Such", "a", "b"}), GraphOptions::Action::UsageError);
    EXPECT_EQ(b.error, "no factory preset is named \"No Such\" (see --list-presets)");
}

TEST(GraphOptions, HResultsAreNamedWhereKnown)
{
    EXPECT_EQ(HResultText(STG_E_MEDIUMFULL), "0x80030070 (STG_E_MEDIUMFULL: the disk is full)");
    EXPECT_EQ(HResultText(HRESULT_FROM_WIN32(EFBIG)), "0x8007001B (File too large)");
    EXPECT_EQ(HResultText(MakeHResult(0x80049999u)), "0x80049999");
}

// The run as a library call: an input it cannot use fails before any work, with nothing
// written and the reason on err.
TEST(GraphRun, AnUnusableInputFailsWithItsReason)
{
    GraphOptions o;
    ASSERT_EQ(Parse(o, {"/nonexistent/in.wav", "/nonexistent-out.wav"}), GraphOptions::Action::Run);
    std::FILE* err = std::tmpfile();
    ASSERT_NE(err, nullptr);
    EXPECT_EQ(GraphRun(o, stdout, err).Run(), 1);
    std::rewind(err);
    char text[256] = {};
    ASSERT_NE(std::fgets(text, sizeof text, err), nullptr);
    EXPECT_STREQ(text, "embrel-graph: cannot open /nonexistent/in.wav: No such file or directory\n");
    std::fclose(err);

    // A FIFO no writer has opened is refused at once instead of waited on.
    const std::string fifo = "/tmp/embrel-graph-fifo-" + std::to_string(getpid());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    GraphOptions f;
    ASSERT_EQ(Parse(f, {fifo, "/nonexistent-out.wav"}), GraphOptions::Action::Run);
    err = std::tmpfile();
    EXPECT_EQ(GraphRun(f, stdout, err).Run(), 1);
    std::rewind(err);
    ASSERT_NE(std::fgets(text, sizeof text, err), nullptr);
    EXPECT_EQ(std::string(text), "embrel-graph: cannot read " + fifo +
                                     ": it is a pipe, and a file is read here (embrel-batch reads pipes)\n");
    std::fclose(err);
    unlink(fifo.c_str());
}
