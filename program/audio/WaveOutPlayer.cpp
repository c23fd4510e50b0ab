#include "program/audio/WaveOutPlayer.h"

#include <cstdio>
#include <cstring>

#include "platform/base/Event.h"

namespace {

constexpr const char* kNoFormat = "Sorry, sound card does not support this WAV format.\n";
constexpr const char* kNoOpen = "Error with sound card driver (cannot open device).\n";
constexpr const char* kNoMemory =
    "Not enough memory to create data buffer for sound card driver.\n"
    "Close some programs and try again.\n";
constexpr const char* kNoPause = "Error with sound card driver (cannot pause device).\n";
constexpr const char* kNoResume = "Error with sound card driver (cannot resume device).\n";
constexpr const char* kNoStop = "Error with sound card driver (cannot stop device).\n";
constexpr const char* kNoReset = "Error with sound card driver (cannot reset device).\n";
constexpr const char* kNoUnprepare = "Error with sound card driver (cannot un-prepare output header).\n";
constexpr const char* kNoPrepare = "Error with sound card driver (cannot prepare output header).\n";
constexpr const char* kNoWrite = "Error with sound card driver (cannot write data).\n";
constexpr const char* kNoClose = "Error with sound card driver (cannot close device).\n";

}  // namespace

WaveOutPlayer::WaveOutPlayer() noexcept
    : deviceId(WAVE_MAPPER), buffers{nullptr, nullptr}, current(0), used(0), device(nullptr),
      headers{}, errorFlag(0), errorText{}
{
}

WaveOutPlayer::~WaveOutPlayer()
{
    // The service must be done with the buffers before they go.
    if (device) Close();
    for (HGLOBAL& buffer : buffers) {
        if (buffer) GlobalFree(buffer);
        buffer = nullptr;
    }
}

void WaveOutPlayer::Fail(const char* message) noexcept
{
    errorFlag = 1;
    std::snprintf(errorText, sizeof errorText, "%s", message);
}

void WaveOutPlayer::SetDeviceId(DWORD id) noexcept
{
    errorFlag = 0;
    deviceId = id & 0xFFFF;
}

WORD WaveOutPlayer::GetDeviceId() noexcept
{
    errorFlag = 0;
    return static_cast<WORD>(deviceId);
}

void WaveOutPlayer::QueryFormat(const WAVEFORMATEX* format) noexcept
{
    errorFlag = 0;
    if (waveOutOpen(nullptr, deviceId, format, 0, 0, WAVE_FORMAT_QUERY) != MMSYSERR_NOERROR)
        Fail(kNoFormat);
}

void WaveOutPlayer::OpenDevice(const WAVEFORMATEX* format, DWORD_PTR callback, DWORD_PTR instance,
                               DWORD flags) noexcept
{
    errorFlag = 0;
    if (waveOutOpen(&device, deviceId, format, callback, instance, flags) != MMSYSERR_NOERROR) {
        device = nullptr;
        Fail(kNoOpen);
    }
}

void WaveOutPlayer::AllocateBuffers(DWORD size) noexcept
{
    errorFlag = 0;
    current = 0;
    used = 0;
    // A new run's headers carry nothing over from the last run.
    std::memset(headers, 0, sizeof headers);
    for (HGLOBAL& buffer : buffers) {
        if (buffer) GlobalFree(buffer);
        buffer = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size);
        if (!buffer) Fail(kNoMemory);
    }
}

void WaveOutPlayer::WriteBlock(const void* source, DWORD count) noexcept
{
    errorFlag = 0;
    HGLOBAL buffer = buffers[current];
    // A block that does not fit (or no buffer at all) is refused rather than overrunning it.
    if (!buffer || count > GlobalSize(buffer)) {
        Fail(kNoWrite);
        return;
    }
    void* data = GlobalLock(buffer);
    std::memcpy(data, source, count);
    GlobalUnlock(buffer);

    WAVEHDR& header = headers[current];
    if (used < 2) {
        ++used;
    } else if (waveOutUnprepareHeader(device, &header, sizeof header) != MMSYSERR_NOERROR) {
        Fail(kNoUnprepare);
    }
    header.lpData = static_cast<LPSTR>(GlobalLock(buffer));
    GlobalUnlock(buffer);
    header.dwBufferLength = count;
    header.dwFlags = 0;
    header.dwLoops = 0;
    if (waveOutPrepareHeader(device, &header, sizeof header) != MMSYSERR_NOERROR) Fail(kNoPrepare);
    if (waveOutWrite(device, &header, sizeof header) != MMSYSERR_NOERROR) Fail(kNoWrite);
    current ^= 1;
}

void WaveOutPlayer::Pause() noexcept
{
    errorFlag = 0;
    if (waveOutPause(device) != MMSYSERR_NOERROR) Fail(kNoPause);
}

void WaveOutPlayer::Resume() noexcept
{
    errorFlag = 0;
    if (waveOutRestart(device) != MMSYSERR_NOERROR) Fail(kNoResume);
}

void WaveOutPlayer::Stop() noexcept
{
    errorFlag = 0;
    if (waveOutReset(device) != MMSYSERR_NOERROR) Fail(kNoStop);
}

void WaveOutPlayer::Close() noexcept
{
    errorFlag = 0;
    if (waveOutReset(device) != MMSYSERR_NOERROR) Fail(kNoReset);
    for (DWORD i = 0; i < used && i < 2; ++i) {
        if (waveOutUnprepareHeader(device, &headers[i], sizeof headers[i]) != MMSYSERR_NOERROR)
            Fail(kNoUnprepare);
    }
    if (waveOutClose(device) != MMSYSERR_NOERROR) Fail(kNoClose);
    device = nullptr;
}

int WaveOutPlayer::IsCurrentBufferDone() const noexcept
{
    return (WaveHeaderFlags(headers[current]) & WHDR_DONE) ? 1 : 0;
}

void WaveOutPlayer::PlayerCallback(HWAVEOUT, UINT, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) noexcept
{
    SetEvent(reinterpret_cast<HANDLE>(instance));
}
