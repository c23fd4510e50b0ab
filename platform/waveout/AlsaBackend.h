#pragma once

#include <string>
#include <vector>

#include "platform/waveout/WaveOutBackend.h"

// The ALSA playback PCMs that open: "default" first when it works, then every card's
// playback devices through "plughw:CARD,DEVICE" (so the plug layer converts what the
// hardware lacks).
class AlsaBackend : public WaveOutBackend {
public:
    AlsaBackend();

    UINT Count() const noexcept override;
    const WAVEOUTCAPSA& Caps(UINT id) const noexcept override;
    MMRESULT Query(UINT id, const WAVEFORMATEX& format) noexcept override;
    MMRESULT Open(UINT id, const WAVEFORMATEX& format,
                  std::unique_ptr<WaveOutSink>& sink) noexcept override;

private:
    struct Device {
        std::string pcm;
        WAVEOUTCAPSA caps;
    };

    void Add(const std::string& pcm, const std::string& name, WORD productId);

    std::vector<Device> devices;
};
