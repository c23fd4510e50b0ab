#include "filter/framework/CTransformOutputPin.h"

#include "filter/framework/CTransformFilter.h"
#include "filter/framework/CTransformInputPin.h"

CTransformOutputPin::CTransformOutputPin(LPCWSTR objectName, CTransformFilter* filter, HRESULT* phr,
                                         LPCWSTR pinName) noexcept
    : CBaseOutputPin(objectName, filter, filter->FilterLock(), phr, pinName), transformFilter(filter)
{
}

HRESULT CTransformOutputPin::QueryId(LPWSTR* Id)
{
    return CopyText(L"Out", Id);
}

HRESULT CTransformOutputPin::CheckMediaType(const CMediaType* type)
{
    CTransformInputPin* input = transformFilter->InputPin();
    if (input == nullptr || !input->IsConnected())
        return E_UNEXPECTED;
    return transformFilter->CheckTransform(&input->CurrentMediaType(), type);
}

HRESULT CTransformOutputPin::SetMediaType(const CMediaType* type)
{
    const HRESULT hr = CBasePin::SetMediaType(type);
    if (FAILED(hr))
        return hr;
    return transformFilter->SetMediaType(PINDIR_OUTPUT, type);
}

HRESULT CTransformOutputPin::CheckConnect(IPin* pin)
{
    const HRESULT hr = transformFilter->CheckConnect(PINDIR_OUTPUT, pin);
    if (FAILED(hr))
        return hr;
    return CBaseOutputPin::CheckConnect(pin);
}

HRESULT CTransformOutputPin::BreakConnect()
{
    transformFilter->BreakConnect(PINDIR_OUTPUT);
    return CBaseOutputPin::BreakConnect();
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* receivePin)
{
    const HRESULT hr = CBaseOutputPin::CompleteConnect(receivePin);
    if (FAILED(hr))
        return hr;
    return transformFilter->CompleteConnect(PINDIR_OUTPUT, receivePin);
}

HRESULT CTransformOutputPin::GetMediaType(int position, CMediaType* type)
{
    return transformFilter->GetMediaType(position, type);
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    return transformFilter->DecideBufferSize(allocator, request);
}
