#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "WorkerRunFixture.h"
#include "program/audio/WaveOutPlayer.h"

using namespace wavtest;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// The run start and end of a listening run, on a virtual device that captures what it plays.
class ListeningRun : public WorkerRunFixture {
protected:
    ListeningRun() { listen = 1; }

    void TearDown() override
    {
        WorkerRunFixture::TearDown();
        CloseHandle(blockEvent);
        unsetenv("CALYRIX_WAVEOUT");
    }

    // deviceRate: the rate the device is opened at, when not the file's.
    void Prepare(const Spec& spec, double speed, int write = 1, DWORD deviceRate = 0)
    {
        setenv("CALYRIX_WAVEOUT", ("virtual:1,speed=" + std::to_string(speed) + ",capture=" + played).c_str(), 1);
        ASSERT_EQ(waveOutGetNumDevs(), 1u);
        writeFlag = write;
        OpenFiles(spec, spec.channels == 2 ? 65536 : 16384);
        WAVEFORMATEX format = *reader.GetFormat();
        if (deviceRate) {
            format.nSamplesPerSec = deviceRate;
            format.nAvgBytesPerSec = deviceRate * format.nBlockAlign;
        }
        OpenPlayer(format);
        BindContext();
        context.player = &player;
        context.blockEvent = blockEvent;
    }

    void OpenPlayer(const WAVEFORMATEX& format)
    {
        player.QueryFormat(&format);
        ASSERT_EQ(player.GetErrorFlag(), 0) << player.GetErrorText();
        player.OpenDevice(&format, reinterpret_cast<DWORD_PTR>(&WaveOutPlayer::PlayerCallback),
                          reinterpret_cast<DWORD_PTR>(blockEvent), CALLBACK_FUNCTION);
        ASSERT_EQ(player.GetErrorFlag(), 0) << player.GetErrorText();
        player.AllocateBuffers(DWORD(blockSize));
        ASSERT_EQ(player.GetErrorFlag(), 0) << player.GetErrorText();
    }

    // What the run start does after opening the player.
    void Start()
    {
        started = Clock::now();
        PrimePlayer(context);
        ASSERT_EQ(player.GetErrorFlag(), 0) << player.GetErrorText();
        SetEvent(blockEvent);
        thread = CreateThread(nullptr, 0, ProcessingWorker, &context, 0, nullptr);
        ASSERT_NE(thread, nullptr);
    }

    void Pump(std::chrono::milliseconds limit)
    {
        if (window.WaitMessage(DWORD(limit.count()))) window.PumpMessages();
    }

    // Pumps whatever arrives for the whole of `span`.
    void PumpFor(std::chrono::milliseconds span)
    {
        const auto end = Clock::now() + span;
        while (Clock::now() < end) Pump(10ms);
    }

    // Pumps until WM_RUN_FINISHED, then closes what the run end closes.
    void RunToEnd()
    {
        while (!Finished()) {
            ASSERT_TRUE(window.WaitMessage(10000)) << "the worker never finished";
            window.PumpMessages();
        }
        elapsed = Clock::now() - started;
        ASSERT_EQ(WaitForSingleObject(thread, 3000), WAIT_OBJECT_0);
        player.Close();
        EXPECT_EQ(player.GetErrorFlag(), 0) << player.GetErrorText();
        reader.Close();
        if (writeFlag) writer.Finish();
    }

    // What the run control's pause and resume do, under the run lock.
    void PauseDevice(bool on)
    {
        EnterCriticalSection(&runLock);
        pause = on;
        if (on) player.Pause();
        else player.Resume();
        EXPECT_EQ(player.GetErrorFlag(), 0);
        LeaveCriticalSection(&runLock);
    }

    // What the run control's stop does, under the run lock: the flag and the device's reset.
    void Stop()
    {
        EnterCriticalSection(&runLock);
        stop = 1;
        player.Stop();
        LeaveCriticalSection(&runLock);
    }

    // After RunToEnd, for another run in the same test.
    void NextRun()
    {
        CloseHandle(thread);
        thread = nullptr;
        messages.clear();
        stop = 0;
        std::remove(played.c_str());
    }

    std::string played = dir.File("played.raw");
    WaveOutPlayer player;
    HANDLE blockEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    Clock::time_point started;
    Clock::duration elapsed{};
};

}  // namespace

TEST_F(ListeningRun, PlaysWhatItWritesPacedByTheDevice)
{
    Spec s;
    s.data = Ramp(65536 * 5 + 3000);  // about 1.9 s of 16-bit stereo: 190 ms at speed 10
    Prepare(s, 10);
    Start();
    RunToEnd();

    const Bytes written = OutputData();
    ASSERT_EQ(written.size(), input.size());
    EXPECT_EQ(ReadFile(played), written);
    EXPECT_GE(elapsed, 180ms);
    EXPECT_LT(elapsed, 1900ms);  // below the sound's real duration

    // One progress message per block: the first from the run start, then the worker's.
    ASSERT_EQ(Progress(), 6u);
    EXPECT_EQ(messages[0].wParam, 0u);
    EXPECT_EQ(messages[0].lParam, 65536 / 4);
    EXPECT_EQ(messages[5].lParam, 3000 / 4);
    for (std::size_t i = 1; i < Progress(); ++i)
        EXPECT_GE(messages[i].wParam, messages[i - 1].wParam) << "the late count only grows";
}

TEST_F(ListeningRun, AShortFileFillsTheFirstBlockWithSilence)
{
    for (const unsigned bits : {8u, 16u}) {
        SCOPED_TRACE(bits);
        Spec s;
        s.channels = 1;
        s.bits = bits;
        s.data = Ramp(1000);
        Prepare(s, 50);
        Start();
        RunToEnd();

        Bytes expected = OutputData();
        ASSERT_EQ(expected.size(), 1000u);
        expected.resize(16384, bits == 8 ? 0x80 : 0x00);
        EXPECT_EQ(ReadFile(played), expected);
        ASSERT_EQ(Progress(), 2u);
        EXPECT_EQ(messages[1].lParam, 0) << "the worker's read finds nothing more";
        NextRun();
    }
}

TEST_F(ListeningRun, AnEmptyDataChunkPlaysOneBlockOfSilenceAndEnds)
{
    Spec s;
    s.channels = 1;
    s.bits = 8;
    s.rate = 22050;
    Prepare(s, 50, 0);  // listening only, nothing written
    Start();
    RunToEnd();
    EXPECT_EQ(ReadFile(played), Bytes(16384, 0x80));
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].lParam, 0);
    EXPECT_EQ(messages[1].lParam, 0);
    EXPECT_EQ(messages[2].message, WM_RUN_FINISHED);
    // The drain waits are bounded: 16384 * 8000 / 8 / 22050 = 743 ms each.
    EXPECT_LT(elapsed, 4000ms);
    EXPECT_FALSE(std::ifstream(out).good());
}

TEST_F(ListeningRun, ADeviceThatReturnsNothingDelaysTheEndByTwoDrainTimes)
{
    Spec s;
    s.channels = 1;
    s.data = Ramp(1000);
    Prepare(s, 1, 0);
    player.Pause();  // the first block is never played, so no buffer comes back
    Start();
    RunToEnd();
    // 16,384 * 8000 / 16 / 44,100 = 185 ms a wait.
    EXPECT_GE(elapsed, 370ms);
    EXPECT_LT(elapsed, 2000ms);
}

TEST_F(ListeningRun, APauseWhileTheLastBlocksPlayOutHoldsTheEndUntilResumed)
{
    Spec s;
    s.channels = 1;
    s.data = Ramp(1000);  // one block of 185 ms, and a drain time of 185 ms
    Prepare(s, 1, 0);
    Start();
    PauseDevice(true);
    PumpFor(600ms);
    EXPECT_FALSE(Finished()) << "the run waits for the paused device";
    PauseDevice(false);
    RunToEnd();
    EXPECT_EQ(ReadFile(played).size(), 16384u) << "the whole block is played";
}

TEST_F(ListeningRun, PauseHoldsTheWorkerResumeReleasesItAndStopWakesIt)
{
    Spec s;
    s.channels = 1;
    s.bits = 8;
    s.data = Ramp(441000);  // ten seconds of 8-bit mono: two at speed 5
    Prepare(s, 5);
    Start();
    while (Progress() < 3) Pump(5000ms);

    PauseDevice(true);
    PumpFor(300ms);  // a block already under way may still report
    const std::size_t held = Progress();
    PumpFor(300ms);
    EXPECT_EQ(Progress(), held) << "a paused device holds the worker";

    PauseDevice(false);
    while (Progress() < held + 2) Pump(5000ms);
    EXPECT_FALSE(Finished());

    PauseDevice(true);
    PumpFor(100ms);
    Stop();
    const auto stopped = Clock::now();
    RunToEnd();
    EXPECT_LT(Clock::now() - stopped, 4000ms) << "the reset wakes the worker";
    EXPECT_LT(ReadFile(played).size(), input.size());
}

TEST_F(ListeningRun, AStopEndsTheRunWithoutWaitingOutTheDrainTime)
{
    // 8-bit stereo at 11,025 Hz: a block plays for three seconds and the drain time is 5,944 ms.
    // The short file is stopped while the worker drains, the long one while it waits for a buffer.
    for (const std::size_t bytes : {65536u + 1000u, 65536u * 4}) {
        SCOPED_TRACE(bytes);
        Spec s;
        s.bits = 8;
        s.rate = 11025;
        s.data = Ramp(bytes);
        Prepare(s, 1, 0);
        Start();
        while (Progress() < 2) Pump(5000ms);
        Stop();
        const auto stopped = Clock::now();
        RunToEnd();
        EXPECT_LT(Clock::now() - stopped, 2000ms);
        NextRun();
    }
}

TEST_F(ListeningRun, TheLateCountGrowsWhenTheDeviceRunsDry)
{
    Spec s;
    s.channels = 1;
    s.bits = 16;
    s.data = Ramp(16384 * 12);
    Prepare(s, 50);  // a block plays in under 4 ms
    Start();
    for (int i = 0; i < 4; ++i) {
        // Like a message box held open in the progress handler: the device plays out.
        EnterCriticalSection(&runLock);
        Sleep(40);
        LeaveCriticalSection(&runLock);
        Sleep(5);
    }
    RunToEnd();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_GE(messages[messages.size() - 2].wParam, 3u);
    EXPECT_EQ(ReadFile(played), OutputData());
}

TEST_F(ListeningRun, ASampleRateOfZeroSkipsTheDrainWaits)
{
    Spec s;
    s.channels = 1;
    s.bits = 16;
    s.rate = 0;
    s.data = Ramp(3000);
    // The reader refuses the header, but the rest of it is read: a caller that went on
    // anyway must not make the worker divide by 0. The device plays at a rate of its own.
    headerMayBeRefused = true;
    Prepare(s, 50, 0, 8000);
    ASSERT_EQ(reader.GetSampleRate(), 0u);
    Start();
    RunToEnd();  // ends instead of dying of a division by zero
    // Without drain waits the closing reset may cut the one block short, or all of it on a
    // busy machine; what was heard is never more than that block.
    EXPECT_LE(ReadFile(played).size(), 16384u);
}
