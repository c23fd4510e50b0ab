#include "platform/waveout/VirtualBackend.h"

#include <new>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "platform/waveout/VirtualSink.h"

VirtualBackend::VirtualBackend(UINT devices, double s, std::string path)
    : caps(devices), speed(s), capturePath(std::move(path))
{
    for (UINT i = 0; i < devices; ++i) {
        WAVEOUTCAPSA& c = caps[i];
        c.wMid = MM_UNMAPPED;
        c.wPid = WORD(i + 1);
        c.vDriverVersion = 0x0100;
        SetDeviceName(c, ("Virtual Output " + std::to_string(i + 1)).c_str());
        c.dwFormats = 0x000FFFFF;  // every standard format
        c.wChannels = 2;
        c.wReserved1 = 0;
        c.dwSupport = 0;
    }
}

UINT VirtualBackend::Count() const noexcept { return UINT(caps.size()); }

const WAVEOUTCAPSA& VirtualBackend::Caps(UINT id) const noexcept { return caps[id]; }

MMRESULT VirtualBackend::Query(UINT, const WAVEFORMATEX&) noexcept { return MMSYSERR_NOERROR; }

MMRESULT VirtualBackend::Open(UINT, const WAVEFORMATEX& format,
                              std::unique_ptr<WaveOutSink>& sink) noexcept
{
    int fd = -1;
    if (!capturePath.empty()) {
        fd = ::open(capturePath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) return MMSYSERR_ERROR;
    }
    sink.reset(new (std::nothrow) VirtualSink(format, speed, fd));
    if (!sink) {
        if (fd >= 0) ::close(fd);
        return MMSYSERR_NOMEM;
    }
    return MMSYSERR_NOERROR;
}
