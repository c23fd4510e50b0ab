#include "filter/host/CRendererInputPin.h"

#include <cstring>

#include "filter/host/CAudioRenderer.h"

CRendererInputPin::CRendererInputPin(CAudioRenderer* renderer, CCritSec* lock) noexcept
    : CBaseInputPin(L"Renderer input pin", renderer, lock, nullptr, L"Input"), renderer(renderer)
{
}

HRESULT CRendererInputPin::CheckMediaType(const CMediaType* type)
{
    if (!(type->majortype == MEDIATYPE_Audio) || type->cbFormat < 16 || type->pbFormat == nullptr)
        return VFW_E_TYPE_NOT_ACCEPTED;
    WAVEFORMATEX format{};
    std::memcpy(&format, type->pbFormat, 16);
    const bool pcm = format.wFormatTag == WAVE_FORMAT_PCM && (format.wBitsPerSample == 8 || format.wBitsPerSample == 16);
    const bool ieee = format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT && format.wBitsPerSample == 32;
    return (pcm || ieee) && format.nChannels > 0 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CRendererInputPin::Receive(IMediaSample* pSample)
{
    CAutoLock guard(renderer->ReceiveLock());
    const HRESULT hr = CBaseInputPin::Receive(pSample);
    if (hr != S_OK)
        return hr;
    BYTE* data = nullptr;
    pSample->GetPointer(&data);
    return renderer->OnReceive(data, pSample->GetActualDataLength(), pSample->IsDiscontinuity() == S_OK);
}

HRESULT CRendererInputPin::EndOfStream()
{
    CAutoLock guard(renderer->ReceiveLock());
    const HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    const HRESULT result = renderer->OnEndOfStream();
    if (FAILED(result))
        renderer->NotifyEvent(EC_ERRORABORT, result, 0);
    else
        renderer->NotifyEvent(EC_COMPLETE, S_OK, 0);
    return result;
}
