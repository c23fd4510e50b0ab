// embrel-batch beyond one 8/16-bit WAV: batches, libsndfile formats, pipes and messages.

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <pty.h>
#include <sndfile.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "BatchRun.h"
#include "WavTestFiles.h"
#include "tests/support/WaitUntil.h"
#include "engine/FactoryPresets.h"
#include "engine/SaturationEngine.h"
#include "tools/embrel-batch/FileSummary.h"

using namespace wavtest;
using namespace batchtest;

namespace {

struct Sound {
    int format = 0;
    int channels = 0;
    int rate = 0;
    std::vector<float> samples;  // interleaved
};

// A loud two-tone test signal, so the saturation changes it well beyond one step.
Sound Tones(int format, int channels, int frames, int rate = 44100)
{
    Sound s{format, channels, rate, std::vector<float>(std::size_t(frames) * channels)};
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s.samples[std::size_t(i * channels + c)] =
                float(0.8 * std::sin(i * (0.03 + 0.01 * c)) + 0.15 * std::sin(i * 0.31));
    return s;
}

bool WriteSound(const std::string& path, const Sound& s)
{
    SF_INFO info{};
    info.samplerate = s.rate;
    info.channels = s.channels;
    info.format = s.format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_set_string(f, SF_STR_TITLE, "Test tones");
    const sf_count_t frames = sf_count_t(s.samples.size()) / s.channels;
    const bool ok = sf_writef_float(f, s.samples.data(), frames) == frames;
    return sf_close(f) == 0 && ok;
}

Sound ReadSound(const std::string& path)
{
    SF_INFO info{};
    Sound s;
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return s;
    s = {info.format, info.channels, info.samplerate, std::vector<float>(std::size_t(info.frames) * info.channels)};
    s.samples.resize(std::size_t(sf_readf_float(f, s.samples.data(), info.frames)) * info.channels);
    sf_close(f);
    return s;
}

// The engine's result on samples with the default settings and no dither.
std::vector<float> Embreled(Sound s)
{
    SaturationEngine engine;
    FactoryPresets::Get(0)->settings.ApplyTo(engine);
    engine.SetDither(0);
    engine.SetFormat(16, s.rate, s.channels);
    engine.Process(s.samples.data(), int(s.samples.size()) / s.channels);
    return s.samples;
}

class EmbrelBatchFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        tmp = dir.File("tmp");
        mkdir(tmp.c_str(), 0755);
    }
    Result Batch(const std::string& args) { return RunBatch("TMPDIR=" + Quote(tmp), args, dir); }
    // A shell command line of its own; stderr is collected.
    Result Shell(const std::string& command)
    {
        const std::string line = "TMPDIR=" + Quote(tmp) + " sh -c " + Quote(command) + " 2>" + Quote(dir.File("stderr"));
        const int raw = std::system(line.c_str());
        const Bytes e = ReadFile(dir.File("stderr"));
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, {}, std::string(e.begin(), e.end())};
    }

    TempDir dir;
    std::string tmp;
};

}  // namespace

TEST_F(EmbrelBatchFiles, ATwentyFileBatchOnTwoJobsEqualsSingleRunsAndAFailedFileStopsNoOther)
{
    std::string inputs;
    for (int i = 0; i < 20; ++i) {
        const std::string name = dir.File("in" + std::to_string(i) + (i % 4 == 3 ? ".flac" : ".wav"));
        const int format = i % 4 == 3 ? SF_FORMAT_FLAC | SF_FORMAT_PCM_16 : SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        ASSERT_TRUE(WriteSound(name, Tones(format, 1 + i % 2, 3000 + 97 * i)));
        inputs += " " + Quote(name);
    }
    WriteFile(dir.File("in10.wav"), Bytes{'R', 'I', 'F', 'F'});  // broken, in the middle
    const Result r = Batch("--dither off -j 2 -o " + Quote(dir.File("out")) + inputs);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, dir.File("in10.wav") + ": Input file, " + dir.File("in10.wav") +
                         ", is not a valid WAV file (descend error).\n");
    EXPECT_NE(r.out.find("19 of 20 files embreled, 1 failed\n"), std::string::npos) << r.out;
    EXPECT_FALSE(Exists(dir.File("out/in10.wav")));
    for (int i = 0; i < 20; ++i) {
        if (i == 10) continue;
        const std::string name = "in" + std::to_string(i) + (i % 4 == 3 ? ".flac" : ".wav");
        SCOPED_TRACE(name);
        const Result single = Batch("-q --dither off " + Quote(dir.File(name)) + " " + Quote(dir.File("single")));
        ASSERT_EQ(single.status, 0) << single.err;
        EXPECT_EQ(ReadFile(dir.File("out/" + name)), ReadFile(dir.File("single")));
        EXPECT_NE(r.out.find(dir.File("out/" + name) + ": " + std::to_string(3000 + 97 * i) + " frames, peak "),
                  std::string::npos);
    }
    EXPECT_TRUE(TemporaryFilesIn(dir.File("out")).empty());
}

TEST_F(EmbrelBatchFiles, SuffixNoClobberAndClashingOutputs)
{
    ASSERT_TRUE(WriteSound(dir.File("a.wav"), Tones(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 500)));
    ASSERT_TRUE(WriteSound(dir.File("b.aiff"), Tones(SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 1, 500)));
    WriteFile(dir.File("b-x.aiff"), Bytes{'k', 'e', 'e', 'p'});
    Result r = Batch("-q -n --suffix -x " + Quote(dir.File("a.wav")) + " " + Quote(dir.File("b.aiff")));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "") << "-q: nothing but errors";
    EXPECT_EQ(ReadSound(dir.File("a-x.wav")).samples.size(), 1000u);
    EXPECT_EQ(ReadFile(dir.File("b-x.aiff")), (Bytes{'k', 'e', 'e', 'p'})) << "-n leaves it alone";

    // Two inputs of one name would write one OUTPUT: the second fails, the first is kept.
    mkdir(dir.File("sub").c_str(), 0755);
    ASSERT_TRUE(WriteSound(dir.File("sub/a.wav"), Tones(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 300)));
    r = Batch("-q -j 1 -o " + Quote(dir.File("o")) + " " + Quote(dir.File("a.wav")) + " " + Quote(dir.File("sub/a.wav")));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is another input's OUTPUT or input: nothing was written"), std::string::npos) << r.err;
    EXPECT_EQ(ReadSound(dir.File("o/a.wav")).channels, 2);
}

TEST_F(EmbrelBatchFiles, EveryLibsndfileFormatKeepsItsContainerAndSampleFormat)
{
    const struct {
        const char* name;
        int format;
        double step;  // the largest error the output's word length allows
    } formats[] = {
        {"pcm24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1.0 / (1 << 23)},
        {"pcm32.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 1e-7},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1e-7},
        {"double.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 1e-7},
        {"ext16.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 1.0 / (1 << 15)},
        {"pcm.rf64", SF_FORMAT_RF64 | SF_FORMAT_PCM_24, 1.0 / (1 << 23)},
        {"pcm.w64", SF_FORMAT_W64 | SF_FORMAT_PCM_16, 1.0 / (1 << 15)},
        {"pcm.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 1.0 / (1 << 15)},
        {"pcm8.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_S8, 1.0 / (1 << 7)},
        {"pcm.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1.0 / (1 << 23)},
    };
    for (const auto& f : formats) {
        SCOPED_TRACE(f.name);
        const std::string in = dir.File(f.name), out = dir.File(std::string("out-") + f.name);
        ASSERT_TRUE(WriteSound(in, Tones(f.format, 2, 5000)));
        const Result r = Batch("-q --dither off " + Quote(in) + " " + Quote(out));
        ASSERT_EQ(r.status, 0) << r.err;
        const Sound input = ReadSound(in), output = ReadSound(out);
        EXPECT_EQ(output.format, f.format);
        EXPECT_EQ(output.channels, 2);
        const std::vector<float> expected = Embreled(input);
        ASSERT_EQ(output.samples.size(), expected.size());
        double worst = 0;
        for (std::size_t i = 0; i < expected.size(); ++i)
            worst = std::max(worst, std::fabs(double(output.samples[i]) - double(expected[i])));
        EXPECT_LE(worst, f.step * 1.01);
    }
    // Lossy Ogg Vorbis comes back as Ogg Vorbis of the same length.
    const std::string ogg = dir.File("v.ogg");
    ASSERT_TRUE(WriteSound(ogg, Tones(SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1, 44100)));
    ASSERT_EQ(Batch("-q " + Quote(ogg) + " " + Quote(dir.File("out.ogg"))).status, 0);
    EXPECT_EQ(ReadSound(dir.File("out.ogg")).format, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
    EXPECT_EQ(ReadSound(dir.File("out.ogg")).samples.size(), ReadSound(ogg).samples.size());
}

TEST_F(EmbrelBatchFiles, FormatBitsMetadataAndTheDitherFollowTheOutput)
{
    const std::string in = dir.File("in.wav");
    ASSERT_TRUE(WriteSound(in, Tones(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 4000)));
    ASSERT_EQ(Batch("-q --format flac --bits 24 " + Quote(in) + " " + Quote(dir.File("o.flac"))).status, 0);
    EXPECT_EQ(ReadSound(dir.File("o.flac")).format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    // An OUTPUT named for another container gets that container.
    ASSERT_EQ(Batch("-q " + Quote(in) + " " + Quote(dir.File("o.aiff"))).status, 0);
    EXPECT_EQ(ReadSound(dir.File("o.aiff")).format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);

    // Float output has no dither: with it on, the result is the engine's exactly.
    ASSERT_EQ(Batch("-q --bits 32f " + Quote(in) + " " + Quote(dir.File("f.wav"))).status, 0);
    EXPECT_EQ(ReadSound(dir.File("f.wav")).samples, Embreled(ReadSound(in)));
    // 24-bit dither is 256 times finer than 16-bit dither.
    ASSERT_EQ(Batch("-q --bits 24 " + Quote(in) + " " + Quote(dir.File("d24.wav"))).status, 0);
    const std::vector<float> clean = Embreled(ReadSound(in)), dithered = ReadSound(dir.File("d24.wav")).samples;
    ASSERT_EQ(dithered.size(), clean.size());
    double worst = 0;
    for (std::size_t i = 0; i < clean.size(); ++i) worst = std::max(worst, std::fabs(double(dithered[i] - clean[i])));
    EXPECT_GT(worst, 0.0);
    EXPECT_LT(worst, 4.0 / 32768.0 / 16.0);

    // The title travels with the sound.
    SF_INFO info{};
    SNDFILE* f = sf_open(dir.File("o.flac").c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr);
    ASSERT_NE(sf_get_string(f, SF_STR_TITLE), nullptr);
    EXPECT_STREQ(sf_get_string(f, SF_STR_TITLE), "Test tones");
    sf_close(f);
}

TEST_F(EmbrelBatchFiles, SixteenBitPcmGivesTheSameOutputThroughEitherReader)
{
    const Sound tones = Tones(0, 2, 6000);
    ASSERT_TRUE(WriteSound(dir.File("plain.wav"), {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, tones.samples}));
    ASSERT_TRUE(WriteSound(dir.File("ext.wav"), {SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 2, 44100, tones.samples}));
    ASSERT_EQ(Batch("-q --dither off " + Quote(dir.File("plain.wav")) + " " + Quote(dir.File("p.wav"))).status, 0);
    ASSERT_EQ(Batch("-q --dither off " + Quote(dir.File("ext.wav")) + " " + Quote(dir.File("e.wav"))).status, 0);
    const Sound p = ReadSound(dir.File("p.wav")), e = ReadSound(dir.File("e.wav"));
    ASSERT_FALSE(p.samples.empty());
    EXPECT_EQ(p.samples, e.samples);
    EXPECT_EQ(e.format, SF_FORMAT_WAVEX | SF_FORMAT_PCM_16);
}

TEST_F(EmbrelBatchFiles, PipesAndFifosGiveWhatTheFileFormGives)
{
    const std::string in = dir.File("in.wav"), flac = dir.File("in.flac");
    ASSERT_TRUE(WriteSound(in, Tones(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 7000)));
    ASSERT_TRUE(WriteSound(flac, Tones(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 7000)));
    for (const std::string& input : {in, flac}) {
        SCOPED_TRACE(input);
        ASSERT_EQ(Batch("-q --dither off " + Quote(input) + " " + Quote(dir.File("file.out"))).status, 0);
        const Bytes expected = ReadFile(dir.File("file.out"));
        Result r = Shell(std::string(EMBREL_BATCH) + " --dither off - - <" + Quote(input) + " | cat >" +
                         Quote(dir.File("piped.out")));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadFile(dir.File("piped.out")), expected);
        EXPECT_NE(r.err.find("stdout: 7000 frames"), std::string::npos) << "the summary keeps off stdout: " << r.err;

        const std::string fifo = dir.File("fifo");
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        r = Shell("cat " + Quote(input) + " >" + Quote(fifo) + " & " + EMBREL_BATCH + " -q --dither off " +
                  Quote(fifo) + " " + Quote(dir.File("fifo.out")) + "; wait");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(ReadFile(dir.File("fifo.out")), expected);
        unlink(fifo.c_str());
    }
    // What cannot be read is named as the user named it, not as the copy made of it.
    Result r = Shell("echo garbage | " + std::string(EMBREL_BATCH) + " - " + Quote(dir.File("o.wav")));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Input file, stdin, is not a valid WAV file (descend error).\n");
    r = Shell("echo garbage | " + std::string(EMBREL_BATCH) + " - " + Quote(dir.File("o.flac")));
    EXPECT_EQ(r.err, "Cannot read stdin: Format not recognised.\n");
    EXPECT_TRUE(TemporaryFilesIn(tmp).empty());
}

TEST_F(EmbrelBatchFiles, InputsNeitherReaderTakesSayWhatToDo)
{
    const std::string out = dir.File("out.wav");
    ASSERT_TRUE(WriteSound(dir.File("real.flac"), Tones(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 100)));
    WriteFile(dir.File("flac.wav"), ReadFile(dir.File("real.flac")));
    WriteFile(dir.File("mp3.wav"), Bytes{'I', 'D', '3', 4, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(WriteSound(dir.File("six.wav"), Tones(SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 6, 100)));
    const struct {
        std::string input, message;
    } cases[] = {
        {dir.File("flac.wav"), dir.File("flac.wav") + " is FLAC data, not WAV: name it .flac to embrel it as FLAC.\n"},
        {dir.File("mp3.wav"), dir.File("mp3.wav") +
                                  " is MP3 data, not WAV: decode it to WAV or FLAC first (ffmpeg -i IN.mp3 OUT.wav).\n"},
        {dir.File("six.wav"), dir.File("six.wav") + " has 6 channels: only mono and stereo can be embreled.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        WriteFile(out, Bytes{'k', 'e', 'e', 'p'});
        const Result r = Batch(Quote(c.input) + " " + Quote(out));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(ReadFile(out), (Bytes{'k', 'e', 'e', 'p'}));
        EXPECT_TRUE(TemporaryFilesIn(dir.path).empty());
    }
    // One line and a pointer to --help for a usage error.
    const Result usage = Batch("-o " + Quote(dir.path) + " --suffix x a.wav");
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.err, "embrel-batch: give -o DIR or --suffix TEXT, not both\nTry 'embrel-batch --help'.\n");
    const Result notDir = Batch("-o " + Quote(out) + " " + Quote(dir.File("real.flac")));
    EXPECT_EQ(notDir.status, 2);
    EXPECT_EQ(notDir.err, "embrel-batch: " + out + " is not a directory (-o takes a directory).\n");
}

// A stop (SIGTERM) while the input has not come yet: from a FIFO no writer has opened, or
// from a pipe whose writer has gone quiet. The run ends at once and writes nothing.
TEST_F(EmbrelBatchFiles, AStopWhileWaitingForAPipeOrFifoEndsTheRun)
{
    const std::string fifo = dir.File("fifo"), out = dir.File("out.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int quiet[2];
    ASSERT_EQ(pipe(quiet), 0);
    ASSERT_EQ(write(quiet[1], "RIFF", 4), 4);
    struct Case {
        std::string input, output, message;
    };
    const Case cases[] = {
        {Quote(fifo), Quote(out), "Stopped; " + out + " was not changed.\n"},
        {"-", Quote(out), "Stopped; " + out + " was not changed.\n"},
        {"-", "- >/dev/null", "Stopped; nothing was written to stdout.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input + " " + c.output);
        const std::string command = "TMPDIR=" + Quote(tmp) + " exec " + EMBREL_BATCH + " " + c.input + " " +
                                    c.output + " 2>" + Quote(dir.File("stderr"));
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            dup2(quiet[0], STDIN_FILENO);
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // Asleep in the tool itself: waiting for the FIFO's writer or the pipe's data.
        const std::string proc = "/proc/" + std::to_string(pid) + "/";
        ASSERT_TRUE(WaitUntil([&] {
            const Bytes comm = ReadFile(proc + "comm"), stat = ReadFile(proc + "stat");
            const std::string state(stat.begin(), stat.end());
            return std::string(comm.begin(), comm.end()) == "embrel-batch\n" &&
                   state.find(") S ") != std::string::npos;
        }));
        kill(pid, SIGTERM);
        int status = -1;
        if (!WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; })) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            FAIL() << "still waiting after the stop";
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130);
        const Bytes e = ReadFile(dir.File("stderr"));
        EXPECT_EQ(std::string(e.begin(), e.end()), c.message);
        EXPECT_FALSE(Exists(out));
        EXPECT_TRUE(TemporaryFilesIn(tmp).empty());
    }
    close(quiet[0]);
    close(quiet[1]);
}

// A FLAC run on a terminal: a space typed before it starts pauses it after its first block;
// q stops it there, another space lets it finish with what an uninterrupted run makes.
TEST_F(EmbrelBatchFiles, OnATerminalSpacePausesALibsndfileRunAndQStopsIt)
{
    const std::string in = dir.File("in.flac"), out = dir.File("out.flac");
    ASSERT_TRUE(WriteSound(in, Tones(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100)));
    ASSERT_EQ(Batch("-q " + Quote(in) + " " + Quote(dir.File("plain.flac"))).status, 0);

    struct Run {
        pid_t pid = -1;
        int master = -1;
    };
    auto start = [&](char firstKey) {
        Run r;
        int slave = -1;
        EXPECT_EQ(openpty(&r.master, &slave, nullptr, nullptr, nullptr), 0);
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);  // the key waits in the terminal, not in a line
        EXPECT_EQ(write(r.master, &firstKey, 1), 1);
        const std::string command = "TMPDIR=" + Quote(tmp) + " exec " + EMBREL_BATCH + " -q " + Quote(in) + " " +
                                    Quote(out) + " 2>" + Quote(dir.File("stderr"));
        r.pid = fork();
        if (r.pid == 0) {
            setsid();
            dup2(slave, STDIN_FILENO);
            close(r.master);
            close(slave);
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(slave);
        return r;
    };
    auto said = [&] {
        const Bytes e = ReadFile(dir.File("stderr"));
        return std::string(e.begin(), e.end());
    };
    auto finish = [](Run& r) {
        int status = -1;
        if (!WaitUntil([&] { return waitpid(r.pid, &status, WNOHANG) == r.pid; })) {
            kill(r.pid, SIGKILL);
            waitpid(r.pid, &status, 0);
        }
        close(r.master);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    using namespace std::chrono_literals;

    Run stopped = start(' ');
    ASSERT_TRUE(WaitUntil([&] { return said() == "Paused: space resumes, q stops.\n"; })) << said();
    EXPECT_FALSE(WaitUntil([&] { return waitpid(stopped.pid, nullptr, WNOHANG) != 0; }, 300ms)) << "paused";
    ASSERT_EQ(write(stopped.master, "q", 1), 1);
    EXPECT_EQ(finish(stopped), 130);
    EXPECT_EQ(said(), "Paused: space resumes, q stops.\nStopped; " + out + " was not changed.\n");
    EXPECT_FALSE(Exists(out));
    EXPECT_TRUE(TemporaryFilesIn(dir.path).empty());

    Run resumed = start(' ');
    ASSERT_TRUE(WaitUntil([&] { return !said().empty(); }));
    ASSERT_EQ(write(resumed.master, " ", 1), 1);
    EXPECT_EQ(finish(resumed), 0);
    EXPECT_EQ(said(), "Paused: space resumes, q stops.\nResumed.\n");
    EXPECT_EQ(ReadFile(out), ReadFile(dir.File("plain.flac"))) << "no block lost or repeated by the pause";
}

TEST(FileSummary, PeaksPerChannelWithOneDecimalAndSamplesBeyondFullScaleCounted)
{
    FileSummary stereo;
    const float block[] = {0.5f, -0.25f, -1.0f, 0.1f, 1.0f, -1.5f};
    stereo.Add(block, 3, 2);
    EXPECT_EQ(stereo.Text(), "3 frames, peak 0.0/3.5 dB, 2 clipped") << "+1.0 cannot be stored; -1.0 can";
    FileSummary silent;
    const float zeros[4] = {};
    silent.Add(zeros, 4, 1);
    EXPECT_EQ(silent.Text(), "4 frames, peak -inf dB, 0 clipped");
}

// Peaks and clips anywhere in a block, its tail included, land in the right channel.
TEST(FileSummary, EverySamplePositionCountsForItsOwnChannel)
{
    for (int channels = 1; channels <= 2; ++channels) {
        for (int frames : {1, 3, 4, 5, 8, 13, 37}) {
            const int n = frames * channels;
            for (int at = 0; at < n; ++at) {
                std::vector<float> block(std::size_t(n), 0.125f);
                block[std::size_t(at)] = at % 3 == 0 ? -1.5f : 0.5f;
                FileSummary summary;
                summary.Add(block.data(), frames, channels);
                const int hot = at % channels;
                EXPECT_EQ(summary.PeakDb(hot), 20.0 * std::log10(double(std::fabs(block[std::size_t(at)]))))
                    << channels << " channels, " << frames << " frames, sample " << at;
                if (channels == 2) {
                    EXPECT_EQ(summary.PeakDb(1 - hot), 20.0 * std::log10(0.125));
                }
                EXPECT_EQ(summary.Clipped(), at % 3 == 0 ? 1 : 0);
            }
        }
    }
}
