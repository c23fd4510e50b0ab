#pragma once

#include "platform/base/Types.h"

// Where an open device's bytes go. Only the device's service thread calls a sink.
class WaveOutSink {
public:
    WaveOutSink() = default;
    virtual ~WaveOutSink() = default;
    WaveOutSink(const WaveOutSink&) = delete;
    WaveOutSink& operator=(const WaveOutSink&) = delete;

    // Takes up to `bytes` bytes (whole frames) without blocking and returns how many it
    // took, 0 when it is full, or -1 when the device has failed for good.
    virtual long Write(const BYTE* data, DWORD bytes) noexcept = 0;
    // Bytes taken but not yet heard.
    virtual ULONGLONG Pending() noexcept = 0;
    // Blocks until more can be taken (when the caller has data) or `untilDone` more bytes
    // have been heard (the end of the next buffer), at most `milliseconds`.
    virtual void Wait(bool haveData, ULONGLONG untilDone, DWORD milliseconds) noexcept = 0;
    virtual void Pause(bool paused) noexcept = 0;
    // Throws away everything not yet heard.
    virtual void Discard() noexcept = 0;
};
