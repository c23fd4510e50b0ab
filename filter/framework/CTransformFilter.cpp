#include "filter/framework/CTransformFilter.h"

#include "filter/framework/CTransformInputPin.h"
#include "filter/framework/CTransformOutputPin.h"

CTransformFilter::CTransformFilter(LPCWSTR name, IUnknown* outer, REFCLSID clsid) noexcept
    : CBaseFilter(name, outer, &filterLock, clsid)
{
}

CTransformFilter::~CTransformFilter()
{
    delete input;
    delete output;
}

int CTransformFilter::GetPinCount()
{
    return 2;
}

HRESULT CTransformFilter::Transform(IMediaSample*, IMediaSample*)
{
    return E_UNEXPECTED;
}

HRESULT CTransformFilter::StartStreaming()
{
    return S_OK;
}

HRESULT CTransformFilter::StopStreaming()
{
    return S_OK;
}

HRESULT CTransformFilter::AlterQuality()
{
    return S_FALSE;
}

HRESULT CTransformFilter::SetMediaType(PIN_DIRECTION, const CMediaType*)
{
    return S_OK;
}

HRESULT CTransformFilter::CheckConnect(PIN_DIRECTION, IPin*)
{
    return S_OK;
}

HRESULT CTransformFilter::BreakConnect(PIN_DIRECTION)
{
    return S_OK;
}

HRESULT CTransformFilter::CompleteConnect(PIN_DIRECTION, IPin*)
{
    return S_OK;
}

HRESULT CTransformFilter::EndOfStream()
{
    return output != nullptr ? output->DeliverEndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT CTransformFilter::BeginFlush()
{
    return output != nullptr ? output->DeliverBeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CTransformFilter::EndFlush()
{
    return output != nullptr ? output->DeliverEndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    return output != nullptr ? output->DeliverNewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

HRESULT CTransformFilter::Stop()
{
    CAutoLock guard(&filterLock);
    if (IsStopped())
        return S_OK;
    if (input == nullptr || !input->IsConnected() || output == nullptr || !output->IsConnected()) {
        state = State_Stopped;
        eosDelivered = false;
        return S_OK;
    }
    input->Inactive();
    CAutoLock streaming(&streamingLock);
    output->Inactive();
    const HRESULT hr = StopStreaming();
    if (SUCCEEDED(hr)) {
        state = State_Stopped;
        eosDelivered = false;
    }
    return hr;
}

HRESULT CTransformFilter::Pause()
{
    CAutoLock guard(&filterLock);
    HRESULT hr = S_OK;
    if (state.load() == State_Paused) {
        // Nothing to change.
    } else if (input == nullptr || !input->IsConnected()) {
        if (output != nullptr && output->IsConnected() && !eosDelivered) {
            output->DeliverEndOfStream();
            eosDelivered = true;
        }
        state = State_Paused;
    } else if (output == nullptr || !output->IsConnected()) {
        state = State_Paused;
    } else {
        if (IsStopped()) {
            CAutoLock streaming(&streamingLock);
            hr = StartStreaming();
        }
        if (SUCCEEDED(hr))
            hr = CBaseFilter::Pause();
    }
    sampleSkipped = false;
    qualityChanged = false;
    return hr;
}
