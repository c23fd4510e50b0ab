#include "program/audio/ProcessingWorker.h"

#include "engine/SaturationEngine.h"
#include "platform/base/MessageWindow.h"
#include "platform/base/Process.h"
#include "platform/base/Thread.h"
#include "program/audio/SampleConverter.h"
#include "program/audio/WavReader.h"
#include "program/audio/WavWriter.h"
#include "program/audio/WorkerContext.h"

namespace {

constexpr DWORD PauseSleep = 300;

void RunOffline(const WorkerContext& c) noexcept
{
    int lastRead = 0;
    int blockSize = 0;
    do {
        EnterCriticalSection(c.runLock);
        blockSize = *c.blockSize;
        if (*c.stopFlag) {
            LeaveCriticalSection(c.runLock);
            break;
        }
        if (*c.pauseFlag) {
            Sleep(PauseSleep);  // holding the lock, as designed: nothing else runs a block
            lastRead = blockSize;
        } else {
            lastRead = c.reader->ReadBlock(c.byteBuffer, blockSize);
            const int frames = BlockStep(*c.converter, *c.engine, c.byteBuffer, c.floatBuffer, lastRead);
            c.writer->WriteBlock(c.byteBuffer, lastRead);
            PostMessage(c.mainWindow, WM_RUN_PROGRESS, 0, frames);
        }
        LeaveCriticalSection(c.runLock);
        if (c.offlineBlockSleep > 0) Sleep(c.offlineBlockSleep);
    } while (lastRead == blockSize);
}

}  // namespace

int BlockStep(SampleConverter& converter, SaturationEngine& engine, unsigned char* bytes,
              float* samples, int byteCount) noexcept
{
    const int frames = converter.ToFloat(bytes, byteCount, samples);
    engine.Process(samples, frames);
    converter.ToPcm(samples, frames, bytes);
    return frames;
}

DWORD ProcessingWorker(LPVOID context) noexcept
{
    auto* shared = static_cast<WorkerContext*>(context);
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);

    EnterCriticalSection(shared->runLock);
    const WorkerContext c = *shared;
    LeaveCriticalSection(shared->runLock);

    RunOffline(c);

    PostMessage(c.mainWindow, WM_RUN_FINISHED, 0, 0);
    return 0;
}
