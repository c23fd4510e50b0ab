#include "platform/waveout/WaveOutBackend.h"

#include <cstring>

bool IsPlayableFormat(const WAVEFORMATEX& f) noexcept
{
    if (f.wFormatTag != WAVE_FORMAT_PCM) return false;
    if (f.nChannels < 1 || f.nChannels > 8) return false;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16 && f.wBitsPerSample != 24
        && f.wBitsPerSample != 32)
        return false;
    if (f.nSamplesPerSec == 0 || f.nSamplesPerSec > 768000) return false;
    return f.nBlockAlign == f.nChannels * (f.wBitsPerSample / 8);
}

void SetDeviceName(WAVEOUTCAPSA& caps, const char* name) noexcept
{
    std::memset(caps.szPname, 0, sizeof caps.szPname);
    std::strncpy(caps.szPname, name, sizeof caps.szPname - 1);
}
