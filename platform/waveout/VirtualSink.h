#pragma once

#include <chrono>

#include "platform/waveout/WaveOut.h"
#include "platform/waveout/WaveOutSink.h"

// A device without hardware: plays at the format's real-time pace times a speed factor and
// appends every byte it plays to a capture file when it has one.
class VirtualSink : public WaveOutSink {
public:
    // captureFd: an open descriptor the sink owns and closes, or -1.
    VirtualSink(const WAVEFORMATEX& format, double speed, int captureFd);
    ~VirtualSink() override;

    long Write(const BYTE* data, DWORD bytes) noexcept override;
    ULONGLONG Pending() noexcept override;
    void Wait(bool haveData, ULONGLONG untilDone, DWORD milliseconds) noexcept override;
    void Pause(bool paused) noexcept override;
    void Discard() noexcept override;

private:
    using Clock = std::chrono::steady_clock;

    Clock::time_point Due() const noexcept;
    ULONGLONG PendingAt(Clock::time_point now) const noexcept;

    const double bytesPerSecond;  // already multiplied by the speed factor
    const DWORD frameBytes;
    const ULONGLONG capacity;     // bytes it holds at most before they are heard
    const int captureFd;
    Clock::time_point start;      // when the bytes taken since the last idle moment began
    ULONGLONG sinceStart = 0;
    bool paused = false;
    Clock::time_point pausedAt;
};
