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
    if (ppEnum == nullptr)
        return E_POINTER;
    *ppEnum = nullptr;
    CTransformInputPin* input = transformFilter->InputPin();
    if (input == nullptr || !input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return input->GetConnected()->EnumMediaTypes(ppEnum);
}

HRESULT CTransInPlaceOutputPin::CheckMediaType(const CMediaType* type)
{
    const HRESULT hr = transformFilter->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    CTransformInputPin* input = transformFilter->InputPin();
    if (input != nullptr && input->IsConnected())
        return input->GetConnected()->QueryAccept(type) == S_OK ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
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
