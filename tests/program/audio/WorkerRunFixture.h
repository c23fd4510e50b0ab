#pragma once

// A main window's share of a run for the worker tests: the objects, the flags, the lock,
// the context that ties them together and the messages the worker posts.

#include <gtest/gtest.h>

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

namespace wavtest {

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class WorkerRunFixture : public ::testing::Test {
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

    // Writes the input file, opens it and, with writeFlag set, the output file.
    void OpenFiles(const Spec& spec, int block)
    {
        input = spec.data;
        WriteFile(in, Build(spec));
        blockSize = block;
        reader.SetFileName(in.c_str());
        reader.Open();
        reader.ReadHeader(block);
        if (!headerMayBeRefused) {
            ASSERT_EQ(reader.GetErrorFlag(), 0) << reader.GetErrorText();
        }
        if (writeFlag) {
            writer.SetFileName(out.c_str());
            writer.Create();
            writer.BeginData(reader.GetRiffChunk(), reader.GetFormatChunk(), reader.GetDataChunk(),
                             reader.GetFormat(), block);
            ASSERT_EQ(writer.GetErrorFlag(), 0) << writer.GetErrorText();
        }
    }

    // Sets the converter's and the engine's format (dither off) and fills the context.
    void BindContext()
    {
        const int bits = reader.GetBitsPerSample(), channels = reader.GetChannels();
        converter.SetFormats(bits, channels, bits, channels);
        engine.SetFormat(bits, int(reader.GetSampleRate()), channels);
        engine.SetDither(0);

        context.mainWindow = window.GetSafeHwnd();
        context.reader = &reader;
        context.writer = &writer;
        context.converter = &converter;
        context.engine = &engine;
        context.listenFlag = &listen;
        context.writeFlag = &writeFlag;
        context.runningFlag = &running;
        context.pauseFlag = &pause;
        context.stopFlag = &stop;
        context.byteBuffer = bytes.data();
        context.floatBuffer = floats.data();
        context.blockSize = &blockSize;
        context.runLock = &runLock;
    }

    bool Finished() const { return !messages.empty() && messages.back().message == WM_RUN_FINISHED; }

    std::size_t Progress() const
    {
        std::size_t n = 0;
        for (const Message& m : messages) n += m.message == WM_RUN_PROGRESS;
        return n;
    }

    // The sample bytes of the output file, as long as the input's.
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
    int listen = 0, writeFlag = 1, running = 1, pause = 0, stop = 0, blockSize = 0;
    bool headerMayBeRefused = false;  // OpenFiles goes on after a refused header
    CRITICAL_SECTION runLock;
    WorkerContext context;
    std::vector<Message> messages;
    MessageWindow window{[this](UINT m, WPARAM w, LPARAM l) { messages.push_back({m, w, l}); }};
    HANDLE thread = nullptr;
};

}  // namespace wavtest
