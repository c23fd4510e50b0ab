#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

#include "filter/host/CAudioRenderer.h"
#include "platform/waveout/WaveOut.h"

// Plays the stream on a wave-out device; float streams are played as 16-bit PCM. The
// device is opened when the renderer leaves the stopped state and plays from then on
// (the graph runs straight after pausing). A sample waits for a free device buffer, so
// the device sets the pace; end of stream waits until everything queued has been heard.
class CWaveOutRenderer final : public CAudioRenderer {
public:
    // With one reference. deviceId may be WAVE_MAPPER (the first device that opens).
    static CWaveOutRenderer* CreateInstance(UINT deviceId) noexcept;
    ~CWaveOutRenderer() override;

    HRESULT OnReceive(const BYTE* data, long length, bool discontinuity) override;
    HRESULT OnEndOfStream() override;

private:
    static constexpr int BufferCount = 4;

    explicit CWaveOutRenderer(UINT deviceId) noexcept;
    HRESULT OnStart() override;
    void OnStop() override;
    void CloseDevice() noexcept;
    // Waits until the buffer is back from the device; false when the renderer is stopping.
    bool WaitForBuffer(const WAVEHDR& header);
    HRESULT QueueCurrent();
    static void DeviceCallback(HWAVEOUT device, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) noexcept;

    UINT deviceId;
    HWAVEOUT device = nullptr;
    bool fromFloat = false;
    DWORD inputFrame = 0;   // bytes of one frame as it arrives
    DWORD outputFrame = 0;  // and as the device plays it
    DWORD channels = 0;
    DWORD bufferBytes = 0;
    std::unique_ptr<BYTE[]> memory;
    WAVEHDR headers[BufferCount]{};
    int current = 0;   // the buffer being filled
    DWORD filled = 0;  // bytes in it
    std::mutex doneMutex;
    std::condition_variable bufferDone;
    bool stopping = false;  // under doneMutex
};
