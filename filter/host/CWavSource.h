#pragma once

#include <atomic>
#include <thread>

#include "filter/framework/CBaseFilter.h"
#include "filter/host/CWavSourcePin.h"
#include "filter/host/WavFile.h"

// A push source of WAV sample data. While active, its streaming thread fills samples
// of its own allocator and delivers them; the first sample after a start is marked as
// a discontinuity. At the end it delivers end of stream.
class CWavSource final : public CBaseFilter {
public:
    struct Options {
        long bufferBytes = 16384; // rounded down to whole frames
        bool readOnly = false;    // offers its allocator read-only
    };

    // With one reference. asFloat converts PCM data to 32-bit float samples.
    static CWavSource* CreateInstance(const WavFile& wav, bool asFloat, const Options& options) noexcept;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &pin : nullptr; }

    // Moves the stream to a frame; the next sample is marked as a discontinuity.
    void Seek(LONGLONG frame) noexcept { pin.Seek(frame); }

    const WavFile& Data() const noexcept { return wav; }
    const Options& GetOptions() const noexcept { return options; }

private:
    CWavSource(const WavFile& wav, const Options& options) noexcept;

    CCritSec filterLock;
    WavFile wav;
    Options options;
    CWavSourcePin pin;
};
