#pragma once

#include "platform/base/CriticalSection.h"
#include "platform/base/Types.h"

class WavReader;
class WavWriter;
class SampleConverter;
class SaturationEngine;
class WaveOutPlayer;

// Posted by the worker to the main window. WM_RUN_PROGRESS: wParam = late device buffers
// so far in the run (0 offline), lParam = frames in the block. WM_RUN_FINISHED: the
// worker has left its loop.
constexpr UINT WM_RUN_FINISHED = WM_APP;
constexpr UINT WM_RUN_PROGRESS = WM_APP + 1;

constexpr int BlockBufferBytes = 65536;
constexpr int BlockBufferSamples = 65536;

// What the worker thread works on, filled by the run start just before the thread
// starts. The flags belong to the main window and are read and written under runLock.
struct WorkerContext {
    HWND mainWindow = nullptr;
    WavReader* reader = nullptr;
    WavWriter* writer = nullptr;
    SampleConverter* converter = nullptr;
    SaturationEngine* engine = nullptr;
    WaveOutPlayer* player = nullptr;
    int* listenFlag = nullptr;
    int* writeFlag = nullptr;
    int* runningFlag = nullptr;  // not read by the worker
    int* pauseFlag = nullptr;
    int* stopFlag = nullptr;
    unsigned char* byteBuffer = nullptr;  // BlockBufferBytes
    float* floatBuffer = nullptr;         // BlockBufferSamples
    int* blockSize = nullptr;             // bytes, at most BlockBufferBytes
    CRITICAL_SECTION* runLock = nullptr;
    HANDLE blockEvent = nullptr;          // auto-reset; set by the player's callback
    // Offline runs sleep this long after each block so a window stays responsive;
    // a tool without a window uses 0.
    DWORD offlineBlockSleep = 1;
};
