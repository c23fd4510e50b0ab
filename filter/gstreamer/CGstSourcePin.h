#pragma once

#include "filter/framework/CBaseOutputPin.h"
#include "filter/framework/CMediaType.h"

// The output pin standing for the element's sink pad: it offers the one format the
// pad has negotiated and sizes the shared allocator for the largest piece of a buffer.
class CGstSourcePin final : public CBaseOutputPin {
public:
    CGstSourcePin(CBaseFilter* filter, CCritSec* lock) noexcept;

    // The format to offer from the next connection on; bufferBytes is the piece size.
    bool SetOffer(const WAVEFORMATEX& format, long bufferBytes) noexcept;

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

private:
    CMediaType offer;
    long bufferBytes = 0;
};
