#include "program/audio/ProcessingWorker.h"

#include <cstring>

#include "engine/SaturationEngine.h"
#include "pcm/SampleConverter.h"
#include "platform/base/CCritSec.h"
#include "platform/base/MessageWindow.h"
#include "platform/base/Process.h"
#include "platform/base/Thread.h"
#include "program/audio/WavReader.h"
#include "program/audio/WavWriter.h"
#include "program/audio/WaveOutPlayer.h"
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
        DWORD sleep = c.offlineBlockSleep;
        if (*c.pauseFlag) {
            Sleep(PauseSleep);  // holding the lock, as designed: nothing else runs a block
            lastRead = blockSize;
            // Without a sleep after the release this thread would take the lock straight
            // back, and the handler waiting for it to resume or stop might never get it.
            if (sleep == 0) sleep = 1;
        } else {
            lastRead = c.reader->ReadBlock(c.byteBuffer, blockSize);
            const int frames = BlockStep(*c.converter, *c.engine, c.byteBuffer, c.floatBuffer, lastRead);
            c.writer->WriteBlock(c.byteBuffer, lastRead);
            PostMessage(c.mainWindow, WM_RUN_PROGRESS, 0, frames);
        }
        LeaveCriticalSection(c.runLock);
        if (sleep > 0) Sleep(sleep);
    } while (lastRead == blockSize);
}

struct RunFlags {
    bool stop;
    bool pause;
};

RunFlags ReadFlags(const WorkerContext& c) noexcept
{
    CAutoLock lock(c.runLock);
    return {*c.stopFlag != 0, *c.pauseFlag != 0};
}

// Paced by the device: a block is made only when the device has handed a buffer back.
void RunListening(const WorkerContext& c) noexcept
{
    WPARAM lateCount = 0;
    int lastRead = 0;
    int blockSize = 0;
    bool stopped = false;
    do {
        // The buffer about to be filled has already played: only one is left queued.
        if (c.player->IsCurrentBufferDone()) ++lateCount;
        WaitForSingleObject(c.blockEvent, INFINITE);
        EnterCriticalSection(c.runLock);
        blockSize = *c.blockSize;
        if (*c.stopFlag) {
            LeaveCriticalSection(c.runLock);
            stopped = true;
            break;
        }
        lastRead = c.reader->ReadBlock(c.byteBuffer, blockSize);
        const int frames = BlockStep(*c.converter, *c.engine, c.byteBuffer, c.floatBuffer, lastRead);
        if (*c.writeFlag) c.writer->WriteBlock(c.byteBuffer, lastRead);
        PostMessage(c.mainWindow, WM_RUN_PROGRESS, lateCount, frames);
        c.player->WriteBlock(c.byteBuffer, DWORD(lastRead));  // a short last block at its own length
        LeaveCriticalSection(c.runLock);
        Sleep(0);
    } while (lastRead == blockSize);

    // Let the last two queued buffers play out, each wait bounded by one block's duration.
    // After a stop the device's reset has handed every buffer back: nothing is left to play.
    // A format without bits or rate has no duration: no wait rather than a division by zero.
    const unsigned long long bits = c.reader->GetBitsPerSample();
    const unsigned long long rate = c.reader->GetSampleRate();
    if (stopped || bits == 0 || rate == 0) return;
    const DWORD drain = DWORD(static_cast<unsigned long long>(blockSize) * 8000 / bits / rate);
    for (int waits = 0; waits < 2 && !ReadFlags(c).stop;) {
        // A paused device returns nothing: as in the loop, the run waits until it plays again.
        if (WaitForSingleObject(c.blockEvent, drain) == WAIT_OBJECT_0 || !ReadFlags(c).pause) ++waits;
    }
}

}  // namespace

void PrimePlayer(const WorkerContext& c) noexcept
{
    const int blockSize = *c.blockSize;
    const int n = c.reader->ReadBlock(c.byteBuffer, blockSize);
    const int frames = BlockStep(*c.converter, *c.engine, c.byteBuffer, c.floatBuffer, n);
    if (*c.writeFlag) c.writer->WriteBlock(c.byteBuffer, n);
    if (n >= 0 && n < blockSize) {
        const int silence = c.reader->GetBitsPerSample() == 8 ? 0x80 : 0x00;
        std::memset(c.byteBuffer + n, silence, std::size_t(blockSize - n));
    }
    PostMessage(c.mainWindow, WM_RUN_PROGRESS, 0, frames);
    c.player->WriteBlock(c.byteBuffer, DWORD(blockSize));  // always the full block, silence included
}

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

    if (*c.listenFlag) RunListening(c);
    else RunOffline(c);

    PostMessage(c.mainWindow, WM_RUN_FINISHED, 0, 0);
    return 0;
}
