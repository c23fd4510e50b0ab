#pragma once

#include <memory>

#include "platform/waveout/WaveOut.h"
#include "platform/waveout/WaveOutSink.h"

// A set of devices with ids 0 to Count() - 1, fixed for the backend's life.
class WaveOutBackend {
public:
    WaveOutBackend() = default;
    virtual ~WaveOutBackend() = default;
    WaveOutBackend(const WaveOutBackend&) = delete;
    WaveOutBackend& operator=(const WaveOutBackend&) = delete;

    virtual UINT Count() const noexcept = 0;
    // id < Count().
    virtual const WAVEOUTCAPSA& Caps(UINT id) const noexcept = 0;
    // The format has passed IsPlayableFormat. MMSYSERR_NOERROR when the device takes it.
    virtual MMRESULT Query(UINT id, const WAVEFORMATEX& format) noexcept = 0;
    virtual MMRESULT Open(UINT id, const WAVEFORMATEX& format,
                          std::unique_ptr<WaveOutSink>& sink) noexcept = 0;
};

// A PCM format every backend can be asked about: tag 1, 1 to 8 channels, 8/16/24/32 bits,
// a sample rate, and the block alignment that goes with them.
bool IsPlayableFormat(const WAVEFORMATEX& format) noexcept;

// Copies a device name into a capability record: at most 31 characters and the NUL.
void SetDeviceName(WAVEOUTCAPSA& caps, const char* name) noexcept;
