#pragma once

#include "platform/base/Memory.h"
#include "platform/base/Types.h"
#include "platform/waveout/WaveOut.h"

// Plays blocks through a wave-out device with two device buffers used in turn, so at most
// two blocks are queued at any time. It never waits: the caller queues a block only into a
// buffer the device has finished with (IsCurrentBufferDone, the callback's event).
class WaveOutPlayer {
public:
    WaveOutPlayer() noexcept;
    ~WaveOutPlayer();
    WaveOutPlayer(const WaveOutPlayer&) = delete;
    WaveOutPlayer& operator=(const WaveOutPlayer&) = delete;

    void SetDeviceId(DWORD id) noexcept;
    WORD GetDeviceId() noexcept;

    void QueryFormat(const WAVEFORMATEX* format) noexcept;
    void OpenDevice(const WAVEFORMATEX* format, DWORD_PTR callback, DWORD_PTR instance,
                    DWORD flags) noexcept;
    void AllocateBuffers(DWORD size) noexcept;
    void WriteBlock(const void* source, DWORD count) noexcept;
    void Pause() noexcept;
    void Resume() noexcept;
    void Stop() noexcept;
    void Close() noexcept;
    // Leaves errorFlag as it is.
    int IsCurrentBufferDone() const noexcept;

    int GetErrorFlag() const noexcept { return errorFlag; }
    const char* GetErrorText() const noexcept { return errorText; }

    // The wave-out callback of a run: sets the event whose handle is the instance value,
    // for every message.
    static void PlayerCallback(HWAVEOUT device, UINT message, DWORD_PTR instance,
                               DWORD_PTR param1, DWORD_PTR param2) noexcept;

private:
    void Fail(const char* message) noexcept;

    DWORD deviceId;
    HGLOBAL buffers[2];
    DWORD current;
    DWORD used;
    HWAVEOUT device;
    WAVEHDR headers[2];
    int errorFlag;
    char errorText[1024];
};
