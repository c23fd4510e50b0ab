#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/SaturationEngine.h"
#include "platform/base/CCritSec.h"
#include "platform/base/Win32.h"
#include "platform/fs/ResultFile.h"
#include "platform/fs/TemporaryFile.h"
#include "program/audio/OutputDeviceList.h"
#include "program/audio/ProcessingWorker.h"
#include "pcm/SampleConverter.h"
#include "program/audio/WavReader.h"
#include "program/audio/WavWriter.h"
#include "program/audio/WaveOutPlayer.h"
#include "program/audio/WorkerContext.h"
#include "tools/embrel-batch/FileSummary.h"

// Everything one embrel-batch run holds, from the input's header to the report. Members
// that own a resource give it back when the session ends, on every path.
struct BatchSession {
    // Hands the wave-out device list back when the run ends.
    struct DeviceListScope {
        DeviceListScope() { OutputDeviceList::Enumerate(); }
        ~DeviceListScope() { OutputDeviceList::Clear(); }
        DeviceListScope(const DeviceListScope&) = delete;
        DeviceListScope& operator=(const DeviceListScope&) = delete;
    };
    struct EventHandle {
        HANDLE handle = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        ~EventHandle() { if (handle) CloseHandle(handle); }
    };
    struct Descriptor {
        int fd = -1;
        ~Descriptor() { if (fd >= 0) close(fd); }
    };

    std::string inputPath;   // what is read: the input, or its copy when it cannot seek
    std::string inputName;   // the input as the user named it
    std::string outputName;
    bool toStdout = false;
    bool useSndfile = false;
    TemporaryFile spool;     // the copy of an input that cannot seek
    Descriptor input;        // inputPath, open for the sniffing and libsndfile
    FileSummary summary;

    // Large objects on the heap: the buffers alone are 320 KB.
    std::unique_ptr<WavReader> reader = std::make_unique<WavReader>();
    std::unique_ptr<WavWriter> writer = std::make_unique<WavWriter>();
    std::unique_ptr<SaturationEngine> engine = std::make_unique<SaturationEngine>();
    SampleConverter converter;
    std::vector<unsigned char> byteBuffer = std::vector<unsigned char>(BlockBufferBytes);
    std::vector<float> floatBuffer = std::vector<float>(BlockBufferSamples);

    int blockSize = 0;
    int channels = 0;
    int bits = 0;
    DWORD rate = 0;
    long long framesInFile = -1;  // with a placeholder data size: what the file holds
    DWORD totalFrames = 0;

    bool writing = false;
    bool listening = false;
    std::optional<DeviceListScope> devices;  // offline runs leave the sound service alone
    ResultFile result;
    TemporaryFile temporary;
    std::unique_ptr<WaveOutPlayer> player = std::make_unique<WaveOutPlayer>();
    EventHandle blockEvent;
    EventHandle finishedEvent;  // set as the worker posts that it has finished
    CCritSec runLock;

    // The worker's flags.
    int listen = 0, write = 0, running = 1, pause = 0, stop = 0;
    bool interrupted = false;
    bool writeFailed = false;
    long long unflushedFrames = 0;  // written since the last StartWriteback
};
