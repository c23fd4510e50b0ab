#include "filter/framework/CBaseInputPin.h"

#include "filter/framework/CBaseFilter.h"
#include "filter/framework/CMemAllocator.h"

CBaseInputPin::CBaseInputPin(LPCWSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* phr,
                             LPCWSTR pinName) noexcept
    : CBasePin(objectName, filter, lock, phr, pinName, PINDIR_INPUT)
{
}

CBaseInputPin::~CBaseInputPin()
{
    SetAllocator(nullptr);
}

HRESULT CBaseInputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_IMemInputPin))
        return GetInterface(static_cast<IMemInputPin*>(this), ppv);
    return CBasePin::NonDelegatingQueryInterface(riid, ppv);
}

void CBaseInputPin::SetAllocator(IMemAllocator* newAllocator) noexcept
{
    if (newAllocator != nullptr)
        newAllocator->AddRef();
    if (allocator != nullptr)
        allocator->Release();
    allocator = newAllocator;
}

HRESULT CBaseInputPin::GetAllocator(IMemAllocator** ppAllocator)
{
    if (ppAllocator == nullptr)
        return E_POINTER;
    CAutoLock guard(lock);
    if (allocator == nullptr) {
        IMemAllocator* created = CMemAllocator::CreateInstance();
        if (created == nullptr)
            return E_OUTOFMEMORY;
        SetAllocator(created);
        created->Release();
    }
    *ppAllocator = allocator;
    allocator->AddRef();
    return S_OK;
}

HRESULT CBaseInputPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly)
{
    if (pAllocator == nullptr)
        return E_POINTER;
    CAutoLock guard(lock);
    SetAllocator(pAllocator);
    readOnly = bReadOnly != FALSE;
    return S_OK;
}

HRESULT CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*)
{
    return E_NOTIMPL;
}

HRESULT CBaseInputPin::CheckStreaming()
{
    if (!IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (IsStopped())
        return VFW_E_WRONG_STATE;
    if (flushing.load())
        return S_FALSE;
    if (runTimeError.load())
        return VFW_E_RUNTIME_ERROR;
    return S_OK;
}

HRESULT CBaseInputPin::Receive(IMediaSample* pSample)
{
    if (pSample == nullptr)
        return E_POINTER;
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    const long size = pSample->GetSize();
    const long actual = pSample->GetActualDataLength();
    BYTE* data = nullptr;
    if (size < 0 || actual < 0 || actual > size || FAILED(pSample->GetPointer(&data)) ||
        (data == nullptr && size > 0))
        return VFW_E_SAMPLE_REJECTED;
    AM_MEDIA_TYPE* changed = nullptr;
    hr = pSample->GetMediaType(&changed);
    if (hr == S_OK && changed != nullptr) {
        // A format change in mid-stream is taken only when it is the type already in use.
        const CMediaType type(*changed);
        DeleteMediaType(changed);
        if (type != mediaType)
            return VFW_E_INVALIDMEDIATYPE;
    }
    return S_OK;
}

HRESULT CBaseInputPin::ReceiveMultiple(IMediaSample** pSamples, long nSamples, long* nSamplesProcessed)
{
    if (pSamples == nullptr || nSamplesProcessed == nullptr)
        return E_POINTER;
    HRESULT hr = S_OK;
    *nSamplesProcessed = 0;
    while (nSamples-- > 0) {
        hr = Receive(pSamples[*nSamplesProcessed]);
        if (hr != S_OK)
            break;
        ++*nSamplesProcessed;
    }
    return hr;
}

HRESULT CBaseInputPin::ReceiveCanBlock()
{
    return S_OK;
}

HRESULT CBaseInputPin::BeginFlush()
{
    flushing = true;
    return S_OK;
}

HRESULT CBaseInputPin::EndFlush()
{
    flushing = false;
    runTimeError = false;
    return S_OK;
}

HRESULT CBaseInputPin::CheckConnect(IPin* pin)
{
    return CBasePin::CheckConnect(pin);
}

HRESULT CBaseInputPin::BreakConnect()
{
    if (allocator != nullptr) {
        allocator->Decommit();
        SetAllocator(nullptr);
    }
    return S_OK;
}

HRESULT CBaseInputPin::Inactive()
{
    runTimeError = false;
    flushing = false;
    if (allocator == nullptr)
        return VFW_E_NO_ALLOCATOR;
    return allocator->Decommit();
}
