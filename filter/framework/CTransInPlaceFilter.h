#pragma once

#include "filter/framework/CTransformFilter.h"

// A transform whose pins share one allocator, so each sample is changed in place and
// passed on. It proposes no types and sizes no buffers of its own.
class CTransInPlaceFilter : public CTransformFilter {
public:
    CTransInPlaceFilter(LPCWSTR name, IUnknown* outer, REFCLSID clsid) noexcept;

    // 0 the input pin "Input", 1 the output pin "Output", created on the first request.
    CBasePin* GetPin(int n) override;

    using CTransformFilter::Transform;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* receivePin) override;

    // Changes one sample in place; S_FALSE drops it.
    virtual HRESULT Transform(IMediaSample* sample) = 0;

    // The two pins mirror each other through opposite, the other pin: a pin offers the types
    // of the pin connected to opposite, and takes a type the filter takes as input that
    // this pin accepts too.
    static HRESULT EnumPeerMediaTypes(CBasePin* opposite, IEnumMediaTypes** ppEnum);
    static HRESULT CheckPassThroughType(CTransformFilter* filter, CBasePin* opposite, const CMediaType* type);

private:
    bool pinsCreated = false;
};
