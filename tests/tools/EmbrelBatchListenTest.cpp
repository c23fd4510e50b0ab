#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <pty.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "BatchRun.h"
#include "WavTestFiles.h"
#include "tests/support/WaitUntil.h"
#include "tools/embrel-batch/BatchOptions.h"

using namespace wavtest;
using namespace batchtest;

// embrel-batch playing on virtual wave-out devices that capture what they play.
namespace {

std::size_t Occurrences(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

const char* const kRealTimeWarning =
    "Your computer is too slow or you are running too\n"
    "many programs for real time processing.\n"
    "This is what is causing the clicks and pauses.\n"
    "These clicks and pauses will NOT be saved to the output file.\n"
    "\nYou may disable this message in the future by de-selecting\n"
    "Real Time Watch in the menu options.\n";

class BatchListening : public ::testing::Test {
protected:
    void SetUp() override { mkdir(tmp.c_str(), 0755); }

    Result Batch(const std::string& waveout, const std::string& args)
    {
        return RunBatch("TMPDIR=" + Quote(tmp) + " CALYRIX_WAVEOUT=" + Quote(waveout), args, dir);
    }

    std::string Capturing(double speed, int devices = 1)
    {
        return "virtual:" + std::to_string(devices) + ",speed=" + std::to_string(speed) + ",capture=" + played;
    }

    std::string Input(const Spec& spec)
    {
        WriteFile(in, Build(spec));
        return Quote(in);
    }

    static Bytes Data(const Bytes& file) { return file.size() < 44 ? Bytes{} : Bytes(file.begin() + 44, file.end()); }

    TempDir dir;
    std::string tmp = dir.File("tmp");
    std::string in = dir.File("in.wav");
    std::string out = dir.File("out.wav");
    std::string played = dir.File("played.raw");
};

}  // namespace

TEST_F(BatchListening, ListenWritesExactlyWhatItPlays)
{
    Spec s;
    s.data = Ramp(65536 * 3 + 1000);
    const Result r = Batch(Capturing(20), "--listen " + Input(s) + " " + Quote(out));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind(out + ": 49402 frames, peak ", 0), 0u) << r.out;
    const Bytes written = Data(ReadFile(out));
    ASSERT_EQ(written.size(), s.data.size());
    EXPECT_EQ(ReadFile(played), written);
}

TEST_F(BatchListening, ListenThroughAlsaPlaysWhatItWrites)
{
    // libasound's own plugins, configured by the test: "default" converts into a file plugin
    // in front of the null plugin, so what is played lands in a file without a sound card.
    const std::string conf = dir.File("asound.conf");
    const std::string text = "pcm.sink { type null }\n"
                             "pcm.tofile { type file slave.pcm \"sink\" file \"" + played + "\" format \"raw\" }\n"
                             "pcm.!default { type plug slave.pcm \"tofile\" }\n";
    WriteFile(conf, Bytes(text.begin(), text.end()));
    Spec s;
    s.channels = 1;
    s.data = Ramp(16384 * 2 + 1001);  // ends in half a frame, which is written but not played
    const Result r = RunBatch("TMPDIR=" + Quote(tmp) + " CALYRIX_WAVEOUT= ALSA_CONFIG_PATH=" + Quote(conf),
                              "-q --no-realtime-watch --listen " + Input(s) + " " + Quote(out), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    Bytes written = Data(ReadFile(out));
    ASSERT_EQ(written.size(), s.data.size() + 1);  // with the pad byte
    written.resize(s.data.size() - 1);
    EXPECT_EQ(ReadFile(played), written);
}

TEST_F(BatchListening, PreviewPlaysTheFileOnceAndWritesNothing)
{
    Spec s;
    s.channels = 1;
    s.bits = 8;
    s.data = Ramp(1000);
    const std::string input = Input(s);
    ASSERT_EQ(Batch("none", "-q --dither off " + input + " " + Quote(out)).status, 0);
    Bytes expected = Data(ReadFile(out));
    expected.resize(16384, 0x80);  // the first block is always a full one

    const Result r = Batch(Capturing(50, 2), "--dither off --preview --device 1 " + input);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("played: 1000 frames, peak ", 0), 0u) << r.out;
    EXPECT_EQ(ReadFile(played), expected);
    EXPECT_FALSE(Exists(tmp + "/~Embrel~.wav"));

    const Result twoNames = Batch(Capturing(50), "--preview " + input + " " + Quote(out));
    EXPECT_EQ(twoNames.status, 2);
}

TEST_F(BatchListening, ListsDevicesByIdAndName)
{
    Result r = Batch("virtual:2", "--list-devices");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0 Virtual Output 1\n1 Virtual Output 2\n");
    r = Batch("none", "--list-devices");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(BatchListening, WithoutADeviceListeningFallsBackAndPreviewRefuses)
{
    Spec s;
    s.data = Ramp(8000);
    const std::string input = Input(s);
    Result r = Batch("none", "-q --listen " + input + " " + Quote(out));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err,
              "embrel-batch: there is no wave-out device, so nothing is played; the result is still\n"
              "written, to be played with any player (--list-devices shows the devices).\n"
              "Cannot find any Sound cards that support MCI.\n"
              "Thus, you will not be able to listen to the sound.\n"
              "However, the algorithm will still embrel the files,\n"
              "and you can listen to them elswhere.\n");
    EXPECT_EQ(Data(ReadFile(out)).size(), s.data.size());

    r = Batch("none", "-q --preview " + input);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Sorry, no sound cards are available,so you cannot preview the sound.\n");

    r = Batch(Capturing(50), "-q --listen --device 3 " + input + " " + Quote(dir.File("other.wav")));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("There is no wave-out device 3"), std::string::npos);
    EXPECT_FALSE(Exists(dir.File("other.wav")));
}

TEST_F(BatchListening, TheRealTimeWarningComesOnceUnlessSwitchedOff)
{
    Spec s;
    s.data = Ramp(65536 * 20);
    const std::string input = Input(s);
    // At this speed every buffer has played before the next block is ready: all are late.
    Result r = Batch("virtual:1,speed=1000000", "-q --listen " + input + " " + Quote(out));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Occurrences(r.err, kRealTimeWarning), 1u) << r.err;

    r = Batch("virtual:1,speed=1000000", "-q --listen --no-realtime-watch " + input + " " + Quote(out));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");

    r = Batch("none", "-q " + input + " " + Quote(out));  // offline runs have no device to be late for
    EXPECT_EQ(r.err, "");
}

TEST_F(BatchListening, OnATerminalSpacePausesAndResumesAndQStops)
{
    Spec s;
    s.data = Ramp(176400 * 10);  // ten seconds: two at speed 5
    const std::string input = Input(s);
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const std::string command = "TMPDIR=" + Quote(tmp) + " CALYRIX_WAVEOUT=" + Quote(Capturing(5)) + " exec " +
                                EMBREL_BATCH + " -q --listen " + input + " " + Quote(out) + " >" +
                                Quote(dir.File("stdout")) + " 2>" + Quote(dir.File("stderr"));
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setsid();
        dup2(slave, STDIN_FILENO);
        close(master);
        close(slave);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(slave);
    auto key = [&](char c) { ASSERT_EQ(write(master, &c, 1), 1); };
    auto heard = [&] { return ReadFile(played).size(); };
    auto said = [&](const char* text) {
        const Bytes e = ReadFile(dir.File("stderr"));
        return Occurrences(std::string(e.begin(), e.end()), text);
    };
    using namespace std::chrono_literals;

    ASSERT_TRUE(WaitUntil([&] { return heard() > 0; })) << "playing";
    key(' ');
    ASSERT_TRUE(WaitUntil([&] { return said("Paused") == 1; }));
    // A write already under way when the pause came may still land; nothing after it.
    const std::size_t atPause = heard();
    WaitUntil([&] { return heard() != atPause; }, 100ms);
    const std::size_t paused = heard();
    EXPECT_FALSE(WaitUntil([&] { return heard() != paused; }, 300ms)) << "nothing is played while paused";
    key(' ');
    EXPECT_TRUE(WaitUntil([&] { return heard() > paused; })) << "playing again after the second space";
    key(' ');
    ASSERT_TRUE(WaitUntil([&] { return said("Paused") == 2; }));
    key('q');  // stopping while paused: the reset wakes the worker

    int status = -1;
    pid_t ended = 0;
    WaitUntil([&] { return (ended = waitpid(pid, &status, WNOHANG)) != 0; });
    if (ended != pid) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        FAIL() << "embrel-batch did not stop";
    }
    close(master);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    const Bytes e = ReadFile(dir.File("stderr"));
    const std::string err(e.begin(), e.end());
    EXPECT_EQ(Occurrences(err, "Paused: space resumes, q stops.\n"), 2u) << err;
    EXPECT_EQ(Occurrences(err, "Resumed.\n"), 1u) << err;
    EXPECT_NE(err.find("Stopped;"), std::string::npos) << err;
    EXPECT_FALSE(Exists(out));
    EXPECT_LT(heard(), s.data.size());
}

TEST(BatchSoundOptions, ParsesTheSoundOptions)
{
    auto parse = [](std::vector<std::string> args, BatchOptions& o) {
        args.insert(args.begin(), "embrel-batch");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        return o.Parse(int(argv.size()), argv.data());
    };
    BatchOptions a;
    ASSERT_EQ(parse({"--listen", "--device", "2", "--no-realtime-watch", "in.wav", "out.wav"}, a),
              BatchOptions::Action::Run);
    EXPECT_TRUE(a.listen);
    EXPECT_FALSE(a.preview);
    EXPECT_EQ(a.device, 2);
    EXPECT_FALSE(a.realtimeWatch);

    BatchOptions b;
    ASSERT_EQ(parse({"--preview", "in.wav"}, b), BatchOptions::Action::Run);
    EXPECT_TRUE(b.preview);
    EXPECT_EQ(b.input, "in.wav");
    EXPECT_EQ(b.device, -1);
    EXPECT_TRUE(b.realtimeWatch);

    BatchOptions c;
    EXPECT_EQ(parse({"--list-devices"}, c), BatchOptions::Action::ListDevices);
    for (std::vector<std::string> bad : {std::vector<std::string>{"--preview"},
                                         {"--preview", "in.wav", "out.wav"},
                                         {"--device", "x", "in.wav", "out.wav"},
                                         {"--device", "-1", "in.wav", "out.wav"},
                                         {"--device", "65536", "in.wav", "out.wav"},
                                         {"--listen", "in.wav"}}) {
        BatchOptions o;
        EXPECT_EQ(parse(bad, o), BatchOptions::Action::UsageError) << bad[0];
        EXPECT_FALSE(o.error.empty());
    }
}
