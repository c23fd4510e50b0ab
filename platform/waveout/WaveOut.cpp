#include "platform/waveout/WaveOut.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "platform/waveout/AlsaBackend.h"
#include "platform/waveout/VirtualBackend.h"
#include "platform/waveout/WaveOutConfig.h"
#include "platform/waveout/WaveOutDevice.h"

namespace {

class NoBackend : public WaveOutBackend {
public:
    UINT Count() const noexcept override { return 0; }
    const WAVEOUTCAPSA& Caps(UINT) const noexcept override { return none; }
    MMRESULT Query(UINT, const WAVEFORMATEX&) noexcept override { return MMSYSERR_BADDEVICEID; }
    MMRESULT Open(UINT, const WAVEFORMATEX&, std::unique_ptr<WaveOutSink>&) noexcept override
    {
        return MMSYSERR_BADDEVICEID;
    }

private:
    WAVEOUTCAPSA none{};
};

struct Service {
    std::mutex mutex;
    std::unique_ptr<WaveOutBackend> backend;
    std::map<HWAVEOUT, std::shared_ptr<WaveOutDevice>> open;
    std::string warnedAbout;
};

// Never destroyed: devices still open at exit keep their threads.
Service& TheService()
{
    static Service* service = new Service;
    return *service;
}

std::unique_ptr<WaveOutBackend> MakeBackend(Service& s)
{
    const WaveOutConfig config = WaveOutConfig::FromEnvironment();
    try {
        switch (config.kind) {
        case WaveOutConfig::Kind::Alsa: return std::make_unique<AlsaBackend>();
        case WaveOutConfig::Kind::Virtual:
            return std::make_unique<VirtualBackend>(config.devices, config.speed, config.capture);
        case WaveOutConfig::Kind::None: break;
        case WaveOutConfig::Kind::Invalid: {
            const char* value = std::getenv("CALYRIX_WAVEOUT");
            if (s.warnedAbout != value) {
                s.warnedAbout = value;
                std::fprintf(stderr, "CALYRIX_WAVEOUT=\"%s\" is not understood (%s); no wave-out device.\n",
                             value, config.error.c_str());
            }
            break;
        }
        }
        return std::make_unique<NoBackend>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Lock held. Null only when memory ran out.
WaveOutBackend* Backend(Service& s, bool rescan)
{
    if (!s.backend || (rescan && s.open.empty())) s.backend = MakeBackend(s);
    return s.backend.get();
}

std::shared_ptr<WaveOutDevice> Find(HWAVEOUT handle)
{
    Service& s = TheService();
    std::lock_guard lock(s.mutex);
    const auto it = s.open.find(handle);
    return it == s.open.end() ? nullptr : it->second;
}

template <typename Call>
MMRESULT WithHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size, Call call)
{
    const std::shared_ptr<WaveOutDevice> device = Find(handle);
    if (!device) return MMSYSERR_INVALHANDLE;
    if (header == nullptr || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    return call(*device, *header);
}

template <typename Call>
MMRESULT WithDevice(HWAVEOUT handle, Call call)
{
    const std::shared_ptr<WaveOutDevice> device = Find(handle);
    if (!device) return MMSYSERR_INVALHANDLE;
    return call(*device);
}

}  // namespace

UINT waveOutGetNumDevs() noexcept
{
    Service& s = TheService();
    std::lock_guard lock(s.mutex);
    const WaveOutBackend* backend = Backend(s, true);
    return backend ? backend->Count() : 0;
}

MMRESULT waveOutGetDevCapsA(UINT_PTR deviceId, LPWAVEOUTCAPSA caps, UINT size) noexcept
{
    if (caps == nullptr) return MMSYSERR_INVALPARAM;
    Service& s = TheService();
    std::lock_guard lock(s.mutex);
    const WaveOutBackend* backend = Backend(s, false);
    if (!backend) return MMSYSERR_NOMEM;
    if (deviceId >= backend->Count()) return MMSYSERR_BADDEVICEID;
    std::memcpy(caps, &backend->Caps(UINT(deviceId)), std::min<std::size_t>(size, sizeof(WAVEOUTCAPSA)));
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags) noexcept
{
    const bool query = (flags & WAVE_FORMAT_QUERY) != 0;
    const DWORD callbackType = flags & CALLBACK_TYPEMASK;
    if (callbackType != CALLBACK_NULL && callbackType != CALLBACK_FUNCTION) return MMSYSERR_INVALFLAG;
    if (format == nullptr || (!query && phwo == nullptr)) return MMSYSERR_INVALPARAM;
    if (phwo) *phwo = nullptr;

    Service& s = TheService();
    std::lock_guard lock(s.mutex);
    WaveOutBackend* backend = Backend(s, false);
    if (!backend) return MMSYSERR_NOMEM;
    const UINT count = backend->Count();
    UINT first = deviceId;
    UINT last = deviceId;
    if (deviceId == WAVE_MAPPER) {
        if (count == 0) return MMSYSERR_NODRIVER;
        first = 0;
        last = count - 1;
    } else if (deviceId >= count) {
        return MMSYSERR_BADDEVICEID;
    }
    if (!IsPlayableFormat(*format)) return WAVERR_BADFORMAT;

    MMRESULT result = MMSYSERR_ERROR;
    for (UINT id = first; id <= last; ++id) {
        if (query) {
            result = backend->Query(id, *format);
            if (result == MMSYSERR_NOERROR) return result;
            continue;
        }
        std::unique_ptr<WaveOutSink> sink;
        result = backend->Open(id, *format, sink);
        if (result != MMSYSERR_NOERROR) continue;
        HWAVEOUT handle = nullptr;
        try {
            const WAVEOUTPROC function =
                callbackType == CALLBACK_FUNCTION ? reinterpret_cast<WAVEOUTPROC>(callback) : nullptr;
            auto device =
                std::make_shared<WaveOutDevice>(std::move(sink), format->nBlockAlign, function, instance);
            handle = reinterpret_cast<HWAVEOUT>(device.get());
            s.open.emplace(handle, device);
            device->Start(handle);
            *phwo = handle;
            return MMSYSERR_NOERROR;
        } catch (const std::exception&) {
            // No memory or no thread: the device is not opened.
            if (handle) s.open.erase(handle);
            return MMSYSERR_NOMEM;
        }
    }
    return result;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size) noexcept
{
    return WithHeader(device, header, size, [](WaveOutDevice& d, WAVEHDR& h) { return d.Prepare(h); });
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size) noexcept
{
    return WithHeader(device, header, size, [](WaveOutDevice& d, WAVEHDR& h) { return d.Unprepare(h); });
}

MMRESULT waveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT size) noexcept
{
    return WithHeader(device, header, size, [](WaveOutDevice& d, WAVEHDR& h) { return d.Write(h); });
}

MMRESULT waveOutPause(HWAVEOUT device) noexcept
{
    return WithDevice(device, [](WaveOutDevice& d) { return d.Pause(); });
}

MMRESULT waveOutRestart(HWAVEOUT device) noexcept
{
    return WithDevice(device, [](WaveOutDevice& d) { return d.Restart(); });
}

MMRESULT waveOutReset(HWAVEOUT device) noexcept
{
    return WithDevice(device, [](WaveOutDevice& d) { return d.Reset(); });
}

MMRESULT waveOutClose(HWAVEOUT device) noexcept
{
    Service& s = TheService();
    std::lock_guard lock(s.mutex);
    const auto it = s.open.find(device);
    if (it == s.open.end()) return MMSYSERR_INVALHANDLE;
    const MMRESULT result = it->second->Close();
    if (result == MMSYSERR_NOERROR) s.open.erase(it);
    return result;
}

DWORD WaveHeaderFlags(const WAVEHDR& header) noexcept
{
    return std::atomic_ref<DWORD>(const_cast<DWORD&>(header.dwFlags)).load(std::memory_order_acquire);
}
