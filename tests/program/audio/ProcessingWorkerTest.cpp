#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "WorkerRunFixture.h"

using namespace wavtest;

namespace {

// An offline run as the main window starts it, with no sleep between blocks.
class OfflineRun : public WorkerRunFixture {
protected:
    void Prepare(const Spec& spec, int block)
    {
        OpenFiles(spec, block);
        BindContext();
        context.offlineBlockSleep = 0;
    }

    void Start()
    {
        thread = CreateThread(nullptr, 0, ProcessingWorker, &context, 0, nullptr);
        ASSERT_NE(thread, nullptr);
    }

    // Pumps until WM_RUN_FINISHED, then checks the thread's exit code.
    void RunToEnd()
    {
        while (!Finished()) {
            ASSERT_TRUE(window.WaitMessage(10000)) << "the worker never finished";
            window.PumpMessages();
        }
        ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeThread(thread, &code);
        EXPECT_EQ(code, 0u);
        reader.Close();
        writer.Finish();
    }

    // The engine's result on the same samples, computed in one go.
    Bytes Reference(int bits, int channels, std::uint32_t rate)
    {
        SaturationEngine e;
        e.SetFormat(bits, int(rate), channels);
        e.SetDither(0);
        SampleConverter c;
        c.SetFormats(bits, channels, bits, channels);
        Bytes b = input;
        std::vector<float> f(b.size());
        const int frames = c.ToFloat(b.data(), int(b.size()), f.data());
        e.Process(f.data(), frames);
        c.ToPcm(f.data(), frames, b.data());
        return b;
    }
};

}  // namespace

TEST_F(OfflineRun, ProcessesEveryBlockAndPostsProgressThenFinished)
{
    Spec s;
    s.data = Ramp(4096 * 2 + 1000);  // two full blocks and a short one
    Prepare(s, 4096);
    Start();
    RunToEnd();
    ASSERT_EQ(messages.size(), 4u);
    const LPARAM framesPerBlock = 4096 / 4;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(messages[i].message, WM_RUN_PROGRESS);
        EXPECT_EQ(messages[i].wParam, 0u);
        EXPECT_EQ(messages[i].lParam, framesPerBlock);
    }
    EXPECT_EQ(messages[2].message, WM_RUN_PROGRESS);
    EXPECT_EQ(messages[2].lParam, 250);
    EXPECT_EQ(messages[3].message, WM_RUN_FINISHED);
    EXPECT_EQ(OutputData(), Reference(16, 2, 44100)) << "blocks must equal one pass of the engine";
}

TEST_F(OfflineRun, AFileOfExactlyOneBlockEndsWithAnEmptyProgress)
{
    Spec s;
    s.channels = 1;
    s.bits = 8;
    s.data = Ramp(2048);
    Prepare(s, 2048);
    Start();
    RunToEnd();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].lParam, 2048);
    EXPECT_EQ(messages[1].message, WM_RUN_PROGRESS);
    EXPECT_EQ(messages[1].lParam, 0);
    EXPECT_EQ(messages[2].message, WM_RUN_FINISHED);
    EXPECT_EQ(OutputData(), Reference(8, 1, 44100));
}

TEST_F(OfflineRun, AStopBeforeTheFirstBlockReadsNothing)
{
    Spec s;
    s.data = Ramp(4096);
    Prepare(s, 1024);
    stop = 1;
    Start();
    RunToEnd();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, WM_RUN_FINISHED);
    EXPECT_EQ(ReadFile(out).size(), 44u) << "nothing written, headers still patched";
}

TEST_F(OfflineRun, APausedRunNeitherReadsNorEndsUntilResumed)
{
    Spec s;
    s.data = Ramp(3000);
    Prepare(s, 1024);
    pause = 1;
    Start();
    EXPECT_FALSE(window.WaitMessage(450)) << "a paused pass posts nothing";
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT) << "and does not end the loop";
    EnterCriticalSection(&runLock);
    pause = 0;
    LeaveCriticalSection(&runLock);
    RunToEnd();
    EXPECT_EQ(messages.size(), 4u);
    EXPECT_EQ(OutputData(), Reference(16, 2, 44100));
}

TEST_F(OfflineRun, APausedRunLetsAHandlerTakeTheLockAfterEachPausedPass)
{
    Spec s;
    s.data = Ramp(3000);
    Prepare(s, 1024);  // no sleep between blocks, as in a tool without a window
    pause = 1;
    Start();
    for (int i = 0; i < 5; ++i) {
        Sleep(50);
        const auto asked = std::chrono::steady_clock::now();
        EnterCriticalSection(&runLock);
        const auto waited = std::chrono::steady_clock::now() - asked;
        LeaveCriticalSection(&runLock);
        EXPECT_LT(waited, std::chrono::milliseconds(600)) << "one paused pass holds the lock 300 ms";
    }
    EnterCriticalSection(&runLock);
    stop = 1;
    LeaveCriticalSection(&runLock);
    RunToEnd();
}

TEST_F(OfflineRun, HoldingTheRunLockHoldsTheWorkerBetweenBlocks)
{
    Spec s;
    s.data = Ramp(8192);
    Prepare(s, 1024);
    EnterCriticalSection(&runLock);
    Start();
    EXPECT_FALSE(window.WaitMessage(100)) << "no block runs while the lock is held";
    stop = 1;  // under the lock, as the stop handler sets it
    LeaveCriticalSection(&runLock);
    RunToEnd();
    EXPECT_EQ(messages.back().message, WM_RUN_FINISHED);
    EXPECT_EQ(messages.size(), 1u);
}
