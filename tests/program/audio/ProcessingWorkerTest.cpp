#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "WavTestFiles.h"
#include "engine/SaturationEngine.h"
#include "platform/base/Win32.h"
#include "program/audio/ProcessingWorker.h"
#include "program/audio/SampleConverter.h"
#include "program/audio/WavReader.h"
#include "program/audio/WavWriter.h"
#include "program/audio/WorkerContext.h"

using namespace wavtest;

namespace {

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A main window's share of a run: the objects, the flags, the lock, the messages.
class OfflineRun : public ::testing::Test {
protected:
    void SetUp() override { InitializeCriticalSection(&runLock); }
    void TearDown() override
    {
        if (thread) {
            EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
            CloseHandle(thread);
        }
        DeleteCriticalSection(&runLock);
    }

    void Prepare(const Spec& spec, int block)
    {
        input = spec.data;
        WriteFile(in, Build(spec));
        reader.SetFileName(in.c_str());
        reader.Open();
        reader.ReadHeader(block);
        ASSERT_EQ(reader.GetErrorFlag(), 0) << reader.GetErrorText();
        writer.SetFileName(out.c_str());
        writer.Create();
        writer.BeginData(reader.GetRiffChunk(), reader.GetFormatChunk(), reader.GetDataChunk(),
                         reader.GetFormat(), block);
        ASSERT_EQ(writer.GetErrorFlag(), 0) << writer.GetErrorText();
        const int bits = reader.GetBitsPerSample(), channels = reader.GetChannels();
        converter.SetFormats(bits, channels, bits, channels);
        engine.SetFormat(bits, int(reader.GetSampleRate()), channels);
        engine.SetDither(0);
        blockSize = block;

        context.mainWindow = window.GetSafeHwnd();
        context.reader = &reader;
        context.writer = &writer;
        context.converter = &converter;
        context.engine = &engine;
        context.listenFlag = &listen;
        context.writeFlag = &write;
        context.runningFlag = &running;
        context.pauseFlag = &pause;
        context.stopFlag = &stop;
        context.byteBuffer = bytes.data();
        context.floatBuffer = floats.data();
        context.blockSize = &blockSize;
        context.runLock = &runLock;
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
        while (messages.empty() || messages.back().message != WM_RUN_FINISHED) {
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

    Bytes OutputData()
    {
        Bytes file = ReadFile(out);
        if (file.size() < 44) return {};
        return Bytes(file.begin() + 44, file.begin() + 44 + std::ptrdiff_t(input.size()));
    }

    TempDir dir;
    std::string in = dir.File("in.wav");
    std::string out = dir.File("~Embrel~.wav");
    Bytes input;
    WavReader reader;
    WavWriter writer;
    SampleConverter converter;
    SaturationEngine engine;
    std::vector<unsigned char> bytes = std::vector<unsigned char>(BlockBufferBytes);
    std::vector<float> floats = std::vector<float>(BlockBufferSamples);
    int listen = 0, write = 1, running = 1, pause = 0, stop = 0, blockSize = 0;
    CRITICAL_SECTION runLock;
    WorkerContext context;
    std::vector<Message> messages;
    MessageWindow window{[this](UINT m, WPARAM w, LPARAM l) { messages.push_back({m, w, l}); }};
    HANDLE thread = nullptr;
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
