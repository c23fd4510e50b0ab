#include "filter/host/CWaveOutRenderer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "pcm/SampleConverter.h"
#include "platform/base/WaveFormat.h"

namespace {

const CLSID CLSID_WaveOutRenderer{0x8F2C5A13, 0x3B1E, 0x4C7D, {0x9A, 0x61, 0x2E, 0x55, 0x10, 0x7B, 0xC3, 0x01}};

HRESULT FromMmResult(MMRESULT result)
{
    switch (result) {
    case MMSYSERR_NOERROR: return S_OK;
    case MMSYSERR_BADDEVICEID:
    case MMSYSERR_NODRIVER:
    case MMSYSERR_ALLOCATED: return VFW_E_NO_AUDIO_HARDWARE;
    case WAVERR_BADFORMAT: return VFW_E_TYPE_NOT_ACCEPTED;
    case MMSYSERR_NOMEM: return E_OUTOFMEMORY;
    default: return E_FAIL;
    }
}

} // namespace

CWaveOutRenderer::CWaveOutRenderer(UINT deviceId) noexcept
    : CAudioRenderer(L"Wave-out renderer", CLSID_WaveOutRenderer), deviceId(deviceId)
{
}

CWaveOutRenderer::~CWaveOutRenderer()
{
    CloseDevice();
}

CWaveOutRenderer* CWaveOutRenderer::CreateInstance(UINT deviceId) noexcept
{
    auto* renderer = new (std::nothrow) CWaveOutRenderer(deviceId);
    if (renderer != nullptr)
        renderer->NonDelegatingAddRef();
    return renderer;
}

void CWaveOutRenderer::DeviceCallback(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) noexcept
{
    if (message != WOM_DONE)
        return;
    auto* self = reinterpret_cast<CWaveOutRenderer*>(instance);
    std::lock_guard lock(self->doneMutex);
    self->bufferDone.notify_all();
}

HRESULT CWaveOutRenderer::OnStart()
{
    if (!pin.IsConnected())
        return VFW_E_NOT_CONNECTED;
    WAVEFORMATEX format{};
    std::memcpy(&format, ConnectionType().pbFormat, 16);
    fromFloat = format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT;
    channels = format.nChannels;
    inputFrame = format.wBitsPerSample / 8u * channels;
    if (fromFloat) {
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.wBitsPerSample = 16;
    }
    SetDerivedWaveFields(format);
    format.cbSize = 0;
    outputFrame = format.nBlockAlign;
    // An eighth of a second per buffer.
    bufferBytes = std::max<DWORD>(outputFrame, format.nAvgBytesPerSec / 8 / outputFrame * outputFrame);
    memory.reset(new (std::nothrow) BYTE[static_cast<std::size_t>(bufferBytes) * BufferCount]);
    if (!memory)
        return E_OUTOFMEMORY;

    HWAVEOUT opened = nullptr;
    HRESULT hr = FromMmResult(waveOutOpen(&opened, deviceId, &format, reinterpret_cast<DWORD_PTR>(&DeviceCallback),
                                          reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION));
    if (FAILED(hr)) {
        memory.reset();
        return hr;
    }
    device = opened;
    {
        std::lock_guard lock(doneMutex);
        stopping = false;
    }
    for (int i = 0; i < BufferCount; ++i) {
        headers[i] = WAVEHDR{};
        headers[i].lpData = reinterpret_cast<LPSTR>(memory.get() + static_cast<std::size_t>(bufferBytes) * i);
        headers[i].dwBufferLength = bufferBytes;
        if (SUCCEEDED(hr))
            hr = FromMmResult(waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR)));
    }
    current = 0;
    filled = 0;
    if (FAILED(hr))
        CloseDevice();
    return hr;
}

void CWaveOutRenderer::OnStop()
{
    CloseDevice();
}

void CWaveOutRenderer::CloseDevice() noexcept
{
    if (device == nullptr)
        return;
    {
        std::lock_guard lock(doneMutex);
        stopping = true;
    }
    bufferDone.notify_all();
    CAutoLock receiving(&receiveLock);
    // Returns every queued buffer, also one queued while the lock was being taken.
    waveOutReset(device);
    for (WAVEHDR& header : headers)
        if (header.lpData != nullptr)
            waveOutUnprepareHeader(device, &header, sizeof(WAVEHDR));
    waveOutClose(device);
    device = nullptr;
    memory.reset();
}

bool CWaveOutRenderer::WaitForBuffer(const WAVEHDR& header)
{
    std::unique_lock lock(doneMutex);
    bufferDone.wait(lock, [&] { return stopping || (WaveHeaderFlags(header) & WHDR_INQUEUE) == 0; });
    return !stopping;
}

HRESULT CWaveOutRenderer::QueueCurrent()
{
    WAVEHDR& header = headers[current];
    header.dwBufferLength = filled;
    const HRESULT hr = FromMmResult(waveOutWrite(device, &header, sizeof(WAVEHDR)));
    current = (current + 1) % BufferCount;
    filled = 0;
    return hr;
}

HRESULT CWaveOutRenderer::OnReceive(const BYTE* data, long length, bool)
{
    if (device == nullptr)
        return E_UNEXPECTED;
    // A partial frame at the end of a stream cannot be played.
    DWORD frames = static_cast<DWORD>(length) / inputFrame;
    while (frames > 0) {
        if (filled == 0 && !WaitForBuffer(headers[current]))
            return S_OK;
        BYTE* target = reinterpret_cast<BYTE*>(headers[current].lpData) + filled;
        const DWORD count = std::min(frames, (bufferBytes - filled) / outputFrame);
        if (fromFloat) {
            for (DWORD i = 0; i < count * channels; ++i) {
                float sample = 0.0f;
                std::memcpy(&sample, data + 4 * i, 4);
                const std::int16_t value = SampleConverter::ToPcm16(sample);
                std::memcpy(target + 2 * i, &value, 2);
            }
        } else {
            std::memcpy(target, data, count * inputFrame);
        }
        data += count * inputFrame;
        frames -= count;
        filled += count * outputFrame;
        if (filled == bufferBytes) {
            const HRESULT hr = QueueCurrent();
            if (FAILED(hr))
                return hr;
        }
    }
    return S_OK;
}

HRESULT CWaveOutRenderer::OnEndOfStream()
{
    if (device == nullptr)
        return E_UNEXPECTED;
    if (filled > 0) {
        const HRESULT hr = QueueCurrent();
        if (FAILED(hr))
            return hr;
    }
    for (const WAVEHDR& header : headers)
        if (!WaitForBuffer(header))
            break;
    return S_OK;
}
