#include "filter/framework/CTransInPlaceFilter.h"

#include <new>

#include "filter/framework/CTransInPlaceInputPin.h"
#include "filter/framework/CTransInPlaceOutputPin.h"

CTransInPlaceFilter::CTransInPlaceFilter(LPCWSTR name, IUnknown* outer, REFCLSID clsid) noexcept
    : CTransformFilter(name, outer, clsid)
{
}

CBasePin* CTransInPlaceFilter::GetPin(int n)
{
    CAutoLock guard(&filterLock);
    if (!pinsCreated) {
        pinsCreated = true;
        HRESULT hr = S_OK;
        input = new (std::nothrow) CTransInPlaceInputPin(L"TransInPlace input pin", this, &hr, L"Input");
        if (input != nullptr && FAILED(hr)) {
            delete input;
            input = nullptr;
        }
        hr = S_OK;
        output = new (std::nothrow) CTransInPlaceOutputPin(L"TransInPlace output pin", this, &hr, L"Output");
        if (output != nullptr && FAILED(hr)) {
            delete output;
            output = nullptr;
        }
    }
    if (n == 0)
        return input;
    if (n == 1)
        return output;
    return nullptr;
}

HRESULT CTransInPlaceFilter::CheckTransform(const CMediaType*, const CMediaType*)
{
    return S_OK;
}

HRESULT CTransInPlaceFilter::DecideBufferSize(IMemAllocator*, ALLOCATOR_PROPERTIES*)
{
    return E_UNEXPECTED;
}

HRESULT CTransInPlaceFilter::GetMediaType(int, CMediaType*)
{
    return E_UNEXPECTED;
}

HRESULT CTransInPlaceFilter::CompleteConnect(PIN_DIRECTION direction, IPin*)
{
    if (graph == nullptr)
        return VFW_E_NOT_IN_GRAPH;
    if (direction == PINDIR_OUTPUT) {
        if (input != nullptr && input->IsConnected())
            return ReconnectPin(input);
        return S_OK;
    }
    if (output != nullptr && output->IsConnected() &&
        output->CurrentMediaType() != input->CurrentMediaType())
        return ReconnectPin(output);
    return S_OK;
}

HRESULT CTransInPlaceFilter::EnumPeerMediaTypes(CBasePin* opposite, IEnumMediaTypes** ppEnum)
{
    if (ppEnum == nullptr)
        return E_POINTER;
    *ppEnum = nullptr;
    if (opposite == nullptr || !opposite->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return opposite->GetConnected()->EnumMediaTypes(ppEnum);
}

HRESULT CTransInPlaceFilter::CheckPassThroughType(CTransformFilter* filter, CBasePin* opposite,
                                                  const CMediaType* type)
{
    const HRESULT hr = filter->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    if (opposite != nullptr && opposite->IsConnected())
        return opposite->GetConnected()->QueryAccept(type) == S_OK ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}
