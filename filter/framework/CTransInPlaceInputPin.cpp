#include "filter/framework/CTransInPlaceInputPin.h"

#include "filter/framework/CTransInPlaceFilter.h"
#include "filter/framework/CTransformOutputPin.h"

CTransInPlaceInputPin::CTransInPlaceInputPin(LPCWSTR objectName, CTransInPlaceFilter* filter, HRESULT* phr,
                                             LPCWSTR pinName) noexcept
    : CTransformInputPin(objectName, filter, phr, pinName)
{
}

HRESULT CTransInPlaceInputPin::GetAllocator(IMemAllocator** ppAllocator)
{
    if (ppAllocator == nullptr)
        return E_POINTER;
    *ppAllocator = nullptr;
    CAutoLock guard(lock);
    if (allocator != nullptr) {
        *ppAllocator = allocator;
        allocator->AddRef();
        return S_OK;
    }
    CTransformOutputPin* output = transformFilter->OutputPin();
    if (output == nullptr || !output->IsConnected() || output->ConnectedInputPin() == nullptr)
        return VFW_E_NO_ALLOCATOR;
    const HRESULT hr = output->ConnectedInputPin()->GetAllocator(ppAllocator);
    if (FAILED(hr)) {
        *ppAllocator = nullptr;
        return VFW_E_NO_ALLOCATOR;
    }
    return hr;
}

HRESULT CTransInPlaceInputPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly)
{
    if (pAllocator == nullptr)
        return E_POINTER;
    // Samples are written in place.
    if (bReadOnly)
        return VFW_E_READ_ONLY;
    CAutoLock guard(lock);
    SetAllocator(pAllocator);
    readOnly = false;
    if (CTransformOutputPin* output = transformFilter->OutputPin())
        output->SetAllocator(pAllocator);
    return S_OK;
}

HRESULT CTransInPlaceInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps)
{
    CTransformOutputPin* output = transformFilter->OutputPin();
    if (output == nullptr || output->ConnectedInputPin() == nullptr)
        return E_NOTIMPL;
    return output->ConnectedInputPin()->GetAllocatorRequirements(pProps);
}

HRESULT CTransInPlaceInputPin::EnumMediaTypes(IEnumMediaTypes** ppEnum)
{
    return CTransInPlaceFilter::EnumPeerMediaTypes(transformFilter->OutputPin(), ppEnum);
}

HRESULT CTransInPlaceInputPin::CheckMediaType(const CMediaType* type)
{
    return CTransInPlaceFilter::CheckPassThroughType(transformFilter, transformFilter->OutputPin(), type);
}
