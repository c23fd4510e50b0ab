#include "filter/host/CAudioRenderer.h"

CAudioRenderer::CAudioRenderer(LPCWSTR name, REFCLSID clsid) noexcept
    : CBaseFilter(name, nullptr, &filterLock, clsid), pin(this, &filterLock)
{
}

HRESULT CAudioRenderer::Pause()
{
    CAutoLock guard(&filterLock);
    if (IsStopped()) {
        CAutoLock receiving(&receiveLock);
        const HRESULT hr = OnStart();
        if (FAILED(hr))
            return hr;
    }
    return CBaseFilter::Pause();
}

HRESULT CAudioRenderer::Stop()
{
    CAutoLock guard(&filterLock);
    const bool wasActive = IsActive();
    const HRESULT hr = CBaseFilter::Stop();
    if (wasActive)
        OnStop();
    return hr;
}

HRESULT CAudioRenderer::OnStart()
{
    return S_OK;
}

void CAudioRenderer::OnStop() {}
