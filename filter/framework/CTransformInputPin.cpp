#include "filter/framework/CTransformInputPin.h"

#include "filter/framework/CTransformFilter.h"
#include "filter/framework/CTransformOutputPin.h"

CTransformInputPin::CTransformInputPin(LPCWSTR objectName, CTransformFilter* filter, HRESULT* phr,
                                       LPCWSTR pinName) noexcept
    : CBaseInputPin(objectName, filter, filter->FilterLock(), phr, pinName), transformFilter(filter)
{
}

HRESULT CTransformInputPin::QueryId(LPWSTR* Id)
{
    return CopyText(L"In", Id);
}

HRESULT CTransformInputPin::CheckMediaType(const CMediaType* type)
{
    const HRESULT hr = transformFilter->CheckInputType(type);
    if (hr != S_OK)
        return hr;
    CTransformOutputPin* output = transformFilter->OutputPin();
    if (output != nullptr && output->IsConnected())
        return transformFilter->CheckTransform(type, &output->CurrentMediaType());
    return S_OK;
}

HRESULT CTransformInputPin::SetMediaType(const CMediaType* type)
{
    const HRESULT hr = CBasePin::SetMediaType(type);
    if (FAILED(hr))
        return hr;
    return transformFilter->SetMediaType(PINDIR_INPUT, type);
}

HRESULT CTransformInputPin::CheckConnect(IPin* pin)
{
    const HRESULT hr = transformFilter->CheckConnect(PINDIR_INPUT, pin);
    if (FAILED(hr))
        return hr;
    return CBaseInputPin::CheckConnect(pin);
}

HRESULT CTransformInputPin::BreakConnect()
{
    transformFilter->BreakConnect(PINDIR_INPUT);
    return CBaseInputPin::BreakConnect();
}

HRESULT CTransformInputPin::CompleteConnect(IPin* receivePin)
{
    const HRESULT hr = transformFilter->CompleteConnect(PINDIR_INPUT, receivePin);
    if (FAILED(hr))
        return hr;
    return CBaseInputPin::CompleteConnect(receivePin);
}

HRESULT CTransformInputPin::Receive(IMediaSample* pSample)
{
    CAutoLock streaming(transformFilter->StreamingLock());
    const HRESULT hr = CBaseInputPin::Receive(pSample);
    if (hr != S_OK)
        return hr;
    return transformFilter->Receive(pSample);
}

HRESULT CTransformInputPin::EndOfStream()
{
    CAutoLock streaming(transformFilter->StreamingLock());
    const HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return transformFilter->EndOfStream();
}

HRESULT CTransformInputPin::BeginFlush()
{
    CAutoLock guard(transformFilter->FilterLock());
    CTransformOutputPin* output = transformFilter->OutputPin();
    if (!IsConnected() || output == nullptr || !output->IsConnected())
        return VFW_E_NOT_CONNECTED;
    const HRESULT hr = CBaseInputPin::BeginFlush();
    if (FAILED(hr))
        return hr;
    return transformFilter->BeginFlush();
}

HRESULT CTransformInputPin::EndFlush()
{
    CAutoLock guard(transformFilter->FilterLock());
    CTransformOutputPin* output = transformFilter->OutputPin();
    if (!IsConnected() || output == nullptr || !output->IsConnected())
        return VFW_E_NOT_CONNECTED;
    const HRESULT hr = transformFilter->EndFlush();
    if (FAILED(hr))
        return hr;
    return CBaseInputPin::EndFlush();
}

HRESULT CTransformInputPin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate)
{
    CBasePin::NewSegment(tStart, tStop, dRate);
    return transformFilter->NewSegment(tStart, tStop, dRate);
}
