#pragma once

#include <string>
#include <vector>

#include "platform/waveout/WaveOutBackend.h"

// "Virtual Output 1" ... "Virtual Output N": any playable PCM format, paced by the clock.
class VirtualBackend : public WaveOutBackend {
public:
    VirtualBackend(UINT devices, double speed, std::string capturePath);

    UINT Count() const noexcept override;
    const WAVEOUTCAPSA& Caps(UINT id) const noexcept override;
    MMRESULT Query(UINT id, const WAVEFORMATEX& format) noexcept override;
    MMRESULT Open(UINT id, const WAVEFORMATEX& format,
                  std::unique_ptr<WaveOutSink>& sink) noexcept override;

private:
    std::vector<WAVEOUTCAPSA> caps;
    const double speed;
    const std::string capturePath;
};
