#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <pty.h>
#include <cmath>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "BatchRun.h"
#include "WavTestFiles.h"
#include "engine/FactoryPresets.h"
#include "engine/SaturationEngine.h"
#include "pcm/SampleConverter.h"
#include "program/audio/WavReader.h"

using namespace wavtest;
using namespace batchtest;

namespace {

class EmbrelBatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tmp = dir.File("tmp");
        mkdir(tmp.c_str(), 0755);
    }

    Result Batch(const std::string& args, const std::string& tmpdir = "")
    {
        return RunBatch("TMPDIR=" + Quote(tmpdir.empty() ? tmp : tmpdir), args, dir);
    }

    std::string Demo(const std::string& name, const std::string& args)
    {
        const std::string path = dir.File(name);
        const std::string command = std::string(DEMO_SOUND) + " " + Quote(path) + " " + args;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path;
    }

    // The engine's own result on the file's samples with the given settings, dither off.
    static Bytes Expected(const Bytes& file, const SaturationSettings& settings, int bits, int channels)
    {
        Bytes data(file.begin() + 44, file.end());
        SaturationEngine engine;
        settings.ApplyTo(engine);
        engine.SetDither(0);
        engine.SetFormat(bits, 44100, channels);
        SampleConverter c;
        c.SetFormats(bits, channels, bits, channels);
        std::vector<float> f(data.size());
        const int frames = c.ToFloat(data.data(), int(data.size()), f.data());
        engine.Process(f.data(), frames);
        c.ToPcm(f.data(), frames, data.data());
        return data;
    }

    TempDir dir;
    std::string tmp;
};

}  // namespace

TEST_F(EmbrelBatchTest, OutputIsBitExactWithTheEngineWhenDitherIsOff)
{
    struct Case {
        const char* args;
        int bits, channels;
    } cases[] = {{"--seconds 2", 16, 2}, {"--seconds 1.3 --bits 8 --channels 1", 8, 1},
                 {"--seconds 0.7 --bits 16 --channels 1", 16, 1}, {"--seconds 0.9 --bits 8", 8, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const std::string in = Demo("in.wav", c.args), out = dir.File("out.wav");
        const Result r = Batch("-q --preset 'tube blast' --dither off " + Quote(in) + " " + Quote(out));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const Bytes input = ReadFile(in), output = ReadFile(out);
        ASSERT_EQ(output.size(), input.size());
        EXPECT_TRUE(std::equal(input.begin(), input.begin() + 44, output.begin())) << "same header";
        const Bytes expected = Expected(input, FactoryPresets::Find("Tube Blast")->settings, c.bits, c.channels);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), output.begin() + 44));
        EXPECT_TRUE(TemporaryFilesIn(dir.path).empty()) << "the temporary file was moved";
    }
}

TEST_F(EmbrelBatchTest, ExplicitOptionsAfterAPresetOverrideItAndTheSummaryGivesTheWholeFilesPeaks)
{
    Spec s;
    s.channels = 1;
    s.data.clear();
    // A quiet start and one loud sample in the middle of the second block.
    for (int i = 0; i < 20000; ++i) {
        const int v = i == 12000 ? -16384 : (i % 50) - 25;
        Put16(s.data, unsigned(v) & 0xFFFF);
    }
    const std::string in = dir.File("in.wav"), out = dir.File("out.wav");
    WriteFile(in, Build(s));
    const Result r = Batch("--preset Bypass --gain -1000 --dither off " + Quote(in) + " " + Quote(out));
    ASSERT_EQ(r.status, 0) << r.err;
    SaturationSettings settings = FactoryPresets::Find("Bypass")->settings;
    settings.gain = -1000;
    const Bytes input = ReadFile(in);
    const Bytes expected = Expected(input, settings, 16, 1);
    const Bytes output = ReadFile(out);
    ASSERT_EQ(output.size(), input.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), output.begin() + 44));
    EXPECT_EQ(r.out, out + ": 20000 frames, peak -6.0 dB, 0 clipped\n") << "the loud sample, after the quiet start";
    EXPECT_EQ(Batch("-q --preset Bypass " + Quote(in) + " " + Quote(out)).out, "") << "-q: errors only";
}

TEST_F(EmbrelBatchTest, MalformedInputsGetTheReadersMessageAndLeaveTheOutputAlone)
{
    const std::string in = dir.File("in.wav"), out = dir.File("out.wav");
    struct Case {
        const char* what;
        Spec spec;
        std::string message;
    };
    Spec bits24;  // a block alignment of two bytes cannot hold a 24-bit frame
    bits24.bits = 24;
    bits24.channels = 1;
    bits24.blockAlign = 2;
    bits24.data = Ramp(600);
    Spec truncated;
    truncated.data = Ramp(4000);
    truncated.claimedDataSize = 400000;
    Spec threeChannels;
    threeChannels.channels = 3;
    threeChannels.data = Ramp(600);
    const Case cases[] = {
        {"24-bit", bits24, "Input file, " + in + ", is not 8 or 16 bit format.\n"},
        {"data chunk longer than the file", truncated, "Cannot read from " + in + ".\n"},
        {"three channels", threeChannels,
         "You have selected a wave file which is neither mono nor stereo.\n"
         "At this time, you can only use mono or stereo wave files.\nSorry.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(in, Build(c.spec));
        WriteFile(out, Bytes{'k', 'e', 'e', 'p'});
        const Result r = Batch("-q " + Quote(in) + " " + Quote(out));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(ReadFile(out), (Bytes{'k', 'e', 'e', 'p'}));
        EXPECT_TRUE(TemporaryFilesIn(dir.path).empty());
    }

    const Result missing = Batch("-q " + Quote(dir.File("nothing.wav")) + " " + Quote(out));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Cannot find or open input file " + dir.File("nothing.wav") + ": No such file or directory.\n");
}

TEST_F(EmbrelBatchTest, AStreamedFilesPlaceholderDataSizeEndsWithTheFile)
{
    // What ffmpeg and sox write to a pipe: a data size they could not go back to fill in.
    const std::string in = dir.File("in.wav"), out = dir.File("out.wav");
    for (const std::uint32_t placeholder : {0xFFFFFFFFu, 0x7FFFF000u}) {
        SCOPED_TRACE(placeholder);
        Spec s;
        s.data = Ramp(4002);  // 1000 frames and a partial one
        Bytes input = Build(s);
        for (int i = 0; i < 4; ++i) input[40 + i] = (unsigned char)(placeholder >> (8 * i));
        WriteFile(in, input);
        const Result r = Batch("--dither off " + Quote(in) + " " + Quote(out));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.substr(0, out.size() + 14), out + ": 1000 frames,");
        const Bytes output = ReadFile(out);
        ASSERT_EQ(output.size(), input.size());
        EXPECT_EQ(output[40] | (output[41] << 8) | (output[42] << 16) | (output[43] << 24), 4002)
            << "the real size";
        const Bytes expected = Expected(input, FactoryPresets::Get(0)->settings, 16, 2);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), output.begin() + 44));
    }
}

TEST_F(EmbrelBatchTest, AnEngineRangeErrorIsReportedAndTheValueUsed)
{
    const std::string in = Demo("in.wav", "--seconds 0.3"), out = dir.File("out.wav");
    const Result refused = Batch("--mix 7000 " + Quote(in) + " " + Quote(out));
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "embrel-batch: --mix 7000 is outside the accepted range -1301 .. 6999 (sliders -1000 .. "
                           "5000); --allow-out-of-range passes it on\nTry 'embrel-batch --help'.\n");
    EXPECT_FALSE(Exists(out));

    const Result r = Batch("-q --allow-out-of-range --mix 7000 --dither off " + Quote(in) + " " + Quote(out));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Mix is out of range.\n");
    SaturationSettings settings = FactoryPresets::Get(0)->settings;
    settings.mix = 7000;
    const Bytes input = ReadFile(in), output = ReadFile(out);
    const Bytes expected = Expected(input, settings, 16, 2);
    ASSERT_EQ(output.size(), input.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), output.begin() + 44));

    // The dynamics setter leaves the flag as it was: the character error is still one error.
    const std::string pass = "-q --allow-out-of-range ";
    EXPECT_EQ(Batch(pass + "--character -2001 " + Quote(in) + " " + Quote(out)).err, "Character is out of range.\n");
    EXPECT_EQ(Batch(pass + "--character -2001 --dynamics 1 " + Quote(in) + " " + Quote(out)).err,
              "Character is out of range.\nDynamics is out of range.\n");
}

TEST_F(EmbrelBatchTest, UsageHelpAndPresetListing)
{
    // A usage error is one line and where to read more.
    Result r = Batch("");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "embrel-batch: INPUT and OUTPUT are needed (or INPUT... -o DIR)\nTry 'embrel-batch --help'.\n");
    r = Batch("--mix lots a.wav b.wav");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "embrel-batch: --mix takes an integer, not \"lots\"\nTry 'embrel-batch --help'.\n");
    r = Batch("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--preset NAME|N"), std::string::npos);
    r = Batch("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("embrel-batch (Calyrix) ", 0), 0u) << r.out;
    r = Batch("--list-presets");
    EXPECT_EQ(r.status, 0);
    int lines = 0;
    for (char ch : r.out) lines += ch == '\n';
    EXPECT_EQ(lines, 11);
    EXPECT_NE(r.out.find("MS-16 +6dB"), std::string::npos);
}

TEST_F(EmbrelBatchTest, TheResultIsMadeBesideOutputAndAnUnusableDirectoryIsRefusedFirst)
{
    const std::string in = Demo("in.wav", "--seconds 0.2 --bits 8 --channels 1");
    // The temporary directory plays no part in writing OUTPUT.
    Result r = Batch("-q " + Quote(in) + " " + Quote(dir.File("out.wav")), dir.File("no-such-tmp"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir.File("out.wav")).size(), ReadFile(in).size());

    const std::string unreachable = dir.File("no-dir/out.wav");
    r = Batch("-q " + Quote(in) + " " + Quote(unreachable));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot create a temporary file in " + dir.File("no-dir") + ": No such file or directory.\n");
    EXPECT_TRUE(TemporaryFilesIn(tmp).empty());
}

TEST_F(EmbrelBatchTest, FilesWrittenBySoxAndFfmpegAreProcessed)
{
    const std::string out = dir.File("out.wav");
    struct Case {
        const char* tool;
        std::string command;
        int bits, channels;
    };
    const std::string soxFile = dir.File("sox.wav"), ffFile = dir.File("ff.wav");
    // Written to a pipe, the data size is a placeholder.
    const Case cases[] = {
        {"sox", "sox -n -r 22050 -b 8 -c 1 " + Quote(soxFile) + " synth 0.5 sine 440", 8, 1},
        {"ffmpeg", "ffmpeg -loglevel error -y -f lavfi -i sine=frequency=330:duration=0.5 -ac 2 "
                   "-c:a pcm_s16le " + Quote(ffFile), 16, 2},
        {"sox", "{ sox -V1 -n -b 16 -c 2 -t wav - synth 0.5 sine 440 | cat >" + Quote(soxFile) + "; }", 16, 2},
        {"ffmpeg", "{ ffmpeg -loglevel error -f lavfi -i sine=frequency=330:duration=0.5 -c:a pcm_u8 "
                   "-f wav - | cat >" + Quote(ffFile) + "; }", 8, 1},
    };
    int ran = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tool);
        if (std::system((std::string("command -v ") + c.tool + " >/dev/null 2>&1").c_str()) != 0) continue;
        ASSERT_EQ(std::system((c.command + " </dev/null").c_str()), 0);
        const std::string in = c.tool == std::string("sox") ? soxFile : ffFile;
        const Result r = Batch("-q " + Quote(in) + " " + Quote(out));
        ASSERT_EQ(r.status, 0) << r.err;
        WavReader source, result;
        source.SetFileName(in.c_str());
        source.Open();
        source.ReadHeader(4096);
        result.SetFileName(out.c_str());
        result.Open();
        result.ReadHeader(4096);
        ASSERT_EQ(result.GetErrorFlag(), 0) << result.GetErrorText();
        EXPECT_EQ(result.GetBitsPerSample(), c.bits);
        EXPECT_EQ(result.GetChannels(), c.channels);
        EXPECT_EQ(result.GetSampleRate(), source.GetSampleRate());
        const MMCKINFO data = source.GetDataChunk();
        const DWORD held = std::min(data.cksize, DWORD(ReadFile(in).size()) - data.dwDataOffset);
        EXPECT_EQ(result.GetTotalFrames(), held / source.GetFormat()->nBlockAlign);
        EXPECT_GT(result.GetTotalFrames(), 0u);
        ++ran;
    }
    if (ran == 0) GTEST_SKIP() << "neither sox nor ffmpeg is installed";
}

TEST_F(EmbrelBatchTest, AFileNamedLikeTheProgramsTemporaryFileIsAnOrdinaryInput)
{
    const std::string kept = tmp + "/~Embrel~.wav";
    Demo("~Embrel~.wav", "--seconds 0.2");
    ASSERT_EQ(std::rename(dir.File("~Embrel~.wav").c_str(), kept.c_str()), 0);
    const Bytes keptBytes = ReadFile(kept);
    const Result r = Batch("-q " + Quote(kept) + " " + Quote(dir.File("out.wav")));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(kept), keptBytes);
    EXPECT_EQ(ReadFile(dir.File("out.wav")).size(), keptBytes.size());
}

TEST_F(EmbrelBatchTest, OnATerminalAProgressBarShowsTruncatedPercentsUnlessQuiet)
{
    Spec s;
    s.channels = 1;
    s.data = Ramp(16384 * 3);  // three blocks of 8192 frames
    const std::string in = dir.File("in.wav"), out = dir.File("out.wav");
    WriteFile(in, Build(s));

    // stderr on a pseudo-terminal; returns what the tool wrote there.
    auto onTerminal = [&](const std::string& options) {
        int master = -1, slave = -1;
        EXPECT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        const std::string command = "TMPDIR=" + Quote(tmp) + " exec " + EMBREL_BATCH + " " + options + " " +
                                    Quote(in) + " " + Quote(out) + " >" + Quote(dir.File("stdout")) + " </dev/null";
        const pid_t pid = fork();
        if (pid == 0) {
            setsid();
            dup2(slave, STDERR_FILENO);
            close(master);
            close(slave);
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(slave);
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) text.append(buffer, std::size_t(n));
        close(master);
        int status = -1;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
        return text;
    };

    const std::string bar = onTerminal("");
    EXPECT_NE(bar.find("\r[#############                           ]  33%"), std::string::npos) << bar;
    EXPECT_NE(bar.find(" 66%"), std::string::npos) << "2 of 3 blocks is 66 %, not 67 %: " << bar;
    EXPECT_EQ(bar.find(" 67%"), std::string::npos) << bar;
    EXPECT_NE(bar.find("] 100%"), std::string::npos) << bar;
    const Bytes summary = ReadFile(dir.File("stdout"));
    EXPECT_EQ(std::string(summary.begin(), summary.end()).find(out + ": 24576 frames"), 0u);

    EXPECT_EQ(onTerminal("-q"), "");
}
