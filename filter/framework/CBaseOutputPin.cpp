#include "filter/framework/CBaseOutputPin.h"

#include "filter/framework/CMemAllocator.h"

CBaseOutputPin::CBaseOutputPin(LPCWSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* phr,
                               LPCWSTR pinName) noexcept
    : CBasePin(objectName, filter, lock, phr, pinName, PINDIR_OUTPUT)
{
}

CBaseOutputPin::~CBaseOutputPin()
{
    SetAllocator(nullptr);
    if (inputPin != nullptr)
        inputPin->Release();
}

void CBaseOutputPin::SetAllocator(IMemAllocator* newAllocator) noexcept
{
    if (newAllocator != nullptr)
        newAllocator->AddRef();
    if (allocator != nullptr)
        allocator->Release();
    allocator = newAllocator;
}

HRESULT CBaseOutputPin::CheckConnect(IPin* pin)
{
    HRESULT hr = CBasePin::CheckConnect(pin);
    if (FAILED(hr))
        return hr;
    void* found = nullptr;
    hr = pin->QueryInterface(IID_IMemInputPin, &found);
    if (FAILED(hr))
        return hr;
    if (inputPin != nullptr)
        inputPin->Release();
    inputPin = static_cast<IMemInputPin*>(found);
    return S_OK;
}

HRESULT CBaseOutputPin::BreakConnect()
{
    if (allocator != nullptr) {
        allocator->Decommit();
        SetAllocator(nullptr);
    }
    if (inputPin != nullptr) {
        inputPin->Release();
        inputPin = nullptr;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*)
{
    IMemAllocator* decided = nullptr;
    const HRESULT hr = DecideAllocator(inputPin, &decided);
    if (FAILED(hr))
        return hr;
    SetAllocator(decided);
    if (decided != nullptr)
        decided->Release();
    return S_OK;
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** result)
{
    *result = nullptr;
    ALLOCATOR_PROPERTIES request{};
    pin->GetAllocatorRequirements(&request);
    if (request.cbAlign == 0)
        request.cbAlign = 1;

    IMemAllocator* candidate = nullptr;
    HRESULT hr = pin->GetAllocator(&candidate);
    if (SUCCEEDED(hr)) {
        hr = DecideBufferSize(candidate, &request);
        if (SUCCEEDED(hr))
            hr = pin->NotifyAllocator(candidate, FALSE);
        if (SUCCEEDED(hr)) {
            *result = candidate;
            return S_OK;
        }
        candidate->Release();
    }
    candidate = CMemAllocator::CreateInstance();
    if (candidate == nullptr)
        return E_OUTOFMEMORY;
    hr = DecideBufferSize(candidate, &request);
    if (SUCCEEDED(hr))
        hr = pin->NotifyAllocator(candidate, FALSE);
    if (FAILED(hr)) {
        candidate->Release();
        return hr;
    }
    *result = candidate;
    return S_OK;
}

HRESULT CBaseOutputPin::Active()
{
    if (allocator == nullptr)
        return VFW_E_NO_ALLOCATOR;
    return allocator->Commit();
}

HRESULT CBaseOutputPin::Inactive()
{
    if (allocator == nullptr)
        return VFW_E_NO_ALLOCATOR;
    return allocator->Decommit();
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample)
{
    if (inputPin == nullptr)
        return VFW_E_NOT_CONNECTED;
    return inputPin->Receive(sample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream()
{
    if (connected == nullptr)
        return VFW_E_NOT_CONNECTED;
    return connected->EndOfStream();
}

HRESULT CBaseOutputPin::DeliverBeginFlush()
{
    if (connected == nullptr)
        return VFW_E_NOT_CONNECTED;
    return connected->BeginFlush();
}

HRESULT CBaseOutputPin::DeliverEndFlush()
{
    if (connected == nullptr)
        return VFW_E_NOT_CONNECTED;
    return connected->EndFlush();
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    if (connected == nullptr)
        return VFW_E_NOT_CONNECTED;
    return connected->NewSegment(start, stop, rate);
}
