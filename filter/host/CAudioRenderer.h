#pragma once

#include "filter/framework/CBaseFilter.h"
#include "filter/host/CRendererInputPin.h"

// A renderer with one input pin for PCM 8/16-bit or 32-bit float audio. Samples reach
// OnReceive on the streaming thread under the renderer's lock; end of stream is
// reported to the graph as EC_COMPLETE.
class CAudioRenderer : public CBaseFilter {
public:
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &pin : nullptr; }

    HRESULT Pause() override;
    HRESULT Stop() override;

    virtual HRESULT OnReceive(const BYTE* data, long length, bool discontinuity) = 0;
    virtual HRESULT OnEndOfStream() = 0;
    CCritSec* ReceiveLock() noexcept { return &receiveLock; }
    const CMediaType& ConnectionType() const noexcept { return pin.CurrentMediaType(); }

protected:
    CAudioRenderer(LPCWSTR name, REFCLSID clsid) noexcept;

    // Leaving the stopped state, under both locks; a failure keeps the renderer stopped.
    virtual HRESULT OnStart();
    // Entering the stopped state, under the filter lock only, so that it can release a
    // streaming thread waiting in OnReceive before it takes the receive lock.
    virtual void OnStop();

    CCritSec filterLock;
    CCritSec receiveLock;
    CRendererInputPin pin;
};
