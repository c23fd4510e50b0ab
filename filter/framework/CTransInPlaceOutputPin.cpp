#include "filter/framework/CTransInPlaceOutputPin.h"

#include "filter/framework/CTransInPlaceFilter.h"
#include "filter/framework/CTransformInputPin.h"

CTransInPlaceOutputPin::CTransInPlaceOutputPin(LPCWSTR objectName, CTransInPlaceFilter* filter, HRESULT* phr,
                                               LPCWSTR pinName) noexcept
    : CTransformOutputPin(objectName, filter, phr, pinName)
{
}

HRESULT CTransInPlaceOutputPin::EnumMediaTypes(IEnumMediaTypes** ppEnum)
{
    return CTransInPlaceFilter::EnumPeerMediaTypes(transformFilter->InputPin(), ppEnum);
}

HRESULT CTransInPlaceOutputPin::CheckMediaType(const CMediaType* type)
{
    return CTransInPlaceFilter::CheckPassThroughType(transformFilter, transformFilter->InputPin(), type);
}

HRESULT CTransInPlaceOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** result)
{
    *result = nullptr;
    CTransformInputPin* input = transformFilter->InputPin();
    if (input == nullptr)
        return VFW_E_NO_ALLOCATOR;
    IMemAllocator* shared = nullptr;
    HRESULT hr = input->GetAllocator(&shared);
    if (FAILED(hr))
        return hr;
    hr = pin->NotifyAllocator(shared, FALSE);
    if (FAILED(hr)) {
        shared->Release();
        return hr;
    }
    *result = shared;
    return S_OK;
}
