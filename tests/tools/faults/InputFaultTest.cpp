#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "FaultFixture.h"
#include "filter/host/WavClip.h"

using namespace faulttest;
using wavtest::Bytes;
using wavtest::ReadFile;
using wavtest::WriteFile;

namespace {

// "\n" in the manifest stands for a line end.
std::string Unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string WithPath(std::string message, const std::string& path)
{
    const std::size_t at = message.find("{}");
    if (at != std::string::npos) message.replace(at, 2, path);
    return message;
}

}  // namespace

// The generated corpus of damaged and impossible files: each gets its exact message and
// leaves an existing OUTPUT as it was, with no temporary file left.
TEST_F(FaultTest, MalformedInputsGetTheirMessageAndLeaveOutputAlone)
{
    const std::string corpus = dir.File("corpus");
    ASSERT_EQ(RunTool({{PYTHON3, MALFORMED_WAVS, corpus}}, dir.path, "generate").status, 0);
    std::ifstream manifest(corpus + "/manifest.tsv");
    const std::string out = dir.File("out.wav");
    int files = 0;
    for (std::string line; std::getline(manifest, line); ++files) {
        const std::size_t tab = line.find('\t');
        const std::string input = corpus + "/" + line.substr(0, tab);
        SCOPED_TRACE(input);
        WriteFile(out, Bytes{'k', 'e', 'e', 'p'});
        const Outcome o = RunTool(Batch({input, out}), dir.path);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.err, WithPath(Unescape(line.substr(tab + 1)), input));
        EXPECT_EQ(ReadFile(out), (Bytes{'k', 'e', 'e', 'p'}));
        EXPECT_TRUE(Leftovers(dir.path).empty());
    }
    EXPECT_GE(files, 60);
}

// A directory, a symlink loop or a device that is no WAV file is refused at once with the
// reason, by both tools.
TEST_F(FaultTest, InputsThatAreNoFilesAreRefusedWithTheReason)
{
    const std::string out = dir.File("out.wav");
    ASSERT_EQ(symlink("loop.wav", dir.File("loop.wav").c_str()), 0);
    struct Case {
        std::string input, batch, graph;
    } cases[] = {
        {dir.path, "Cannot find or open input file " + dir.path + ": Is a directory.\n",
         "embrel-graph: cannot read " + dir.path + ": Is a directory\n"},
        {dir.File("loop.wav"),
         "Cannot find or open input file " + dir.File("loop.wav") + ": Too many levels of symbolic links.\n",
         "embrel-graph: cannot open " + dir.File("loop.wav") + ": Too many levels of symbolic links\n"},
        {"/dev/zero", "Input file, /dev/zero, is not a valid WAV file (descend error).\n",
         "embrel-graph: /dev/zero is not a RIFF WAVE file\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        WriteFile(out, Bytes{'k', 'e', 'e', 'p'});
        Outcome o = RunTool(Batch({c.input, out}), dir.path);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.err, c.batch);
        o = RunTool(Graph({c.input, out}), dir.path);
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.err, c.graph);
        EXPECT_EQ(ReadFile(out), (Bytes{'k', 'e', 'e', 'p'}));
        EXPECT_TRUE(Leftovers(dir.path).empty());
    }
}

// embrel-graph reads its input a block at a time: a long file does not grow the process.
TEST_F(FaultTest, TheGraphStreamsItsInputInBoundedMemory)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's own memory hides the process's";
#endif
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    SetDerivedWaveFields(format);
    const DWORD dataBytes = 96u << 20;  // nine minutes of silence, a sparse file
    const std::vector<BYTE> header = WavClip::MakeHeader(format, dataBytes);
    const std::string in = dir.File("long.wav");
    WriteFile(in, Bytes(header.begin(), header.end()));
    ASSERT_EQ(truncate(in.c_str(), off_t(header.size() + dataBytes)), 0);
    const Outcome o = RunTool(Graph({in, "/dev/null"}), dir.path);
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_LT(o.maxRssKb, 48 * 1024) << "kilobytes at most";
}
