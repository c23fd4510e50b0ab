#include "filter/gstreamer/CGstSourcePin.h"

CGstSourcePin::CGstSourcePin(CBaseFilter* filter, CCritSec* lock) noexcept
    : CBaseOutputPin(L"GStreamer source pin", filter, lock, nullptr, L"Output")
{
}

bool CGstSourcePin::SetOffer(const WAVEFORMATEX& format, long bytes) noexcept
{
    CAutoLock guard(lock);
    offer.InitMediaType();
    offer.majortype = MEDIATYPE_Audio;
    offer.subtype = format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM;
    offer.formattype = FORMAT_WaveFormatEx;
    offer.bFixedSizeSamples = TRUE;
    offer.lSampleSize = format.nBlockAlign;
    bufferBytes = bytes;
    return offer.SetFormat(reinterpret_cast<const BYTE*>(&format), sizeof format);
}

HRESULT CGstSourcePin::CheckMediaType(const CMediaType* type)
{
    return offer.IsValid() && offer == *type ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CGstSourcePin::GetMediaType(int position, CMediaType* type)
{
    if (position != 0 || !offer.IsValid())
        return VFW_S_NO_MORE_ITEMS;
    *type = offer;
    return type->IsValid() ? S_OK : E_OUTOFMEMORY;
}

// The allocator only has to exist for the pins to agree: every sample delivered wraps
// the memory of a GstBuffer.
HRESULT CGstSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES*)
{
    ALLOCATOR_PROPERTIES request{1, bufferBytes, 1, 0};
    ALLOCATOR_PROPERTIES actual{};
    return allocator->SetProperties(&request, &actual);
}
