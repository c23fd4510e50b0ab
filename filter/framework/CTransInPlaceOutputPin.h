#pragma once

#include "filter/framework/CTransformOutputPin.h"

class CTransInPlaceFilter;

// Hands the input side's allocator downstream and offers the upstream pin's types.
class CTransInPlaceOutputPin : public CTransformOutputPin {
public:
    CTransInPlaceOutputPin(LPCWSTR objectName, CTransInPlaceFilter* filter, HRESULT* phr, LPCWSTR pinName) noexcept;

    HRESULT EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** result) override;
};
