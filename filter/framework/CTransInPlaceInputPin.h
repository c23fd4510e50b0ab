#pragma once

#include "filter/framework/CTransformInputPin.h"

class CTransInPlaceFilter;

// Shares the allocator of the pin downstream of the filter, refuses read-only ones,
// and offers the media types of the pin on the other side of the filter.
class CTransInPlaceInputPin : public CTransformInputPin {
public:
    CTransInPlaceInputPin(LPCWSTR objectName, CTransInPlaceFilter* filter, HRESULT* phr, LPCWSTR pinName) noexcept;

    HRESULT GetAllocator(IMemAllocator** ppAllocator) override;
    HRESULT NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
    HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
    HRESULT EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
};
