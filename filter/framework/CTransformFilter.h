#pragma once

#include "filter/framework/CBaseFilter.h"

class CTransformInputPin;
class CTransformOutputPin;

// A filter with one input and one output pin. Two locks: the filter lock for state
// changes and connections, the streaming lock for each sample; where both are held the
// filter lock is taken first.
class CTransformFilter : public CBaseFilter {
public:
    CTransformFilter(LPCWSTR name, IUnknown* outer, REFCLSID clsid) noexcept;
    ~CTransformFilter() override;

    int GetPinCount() override;

    // The operations a transform refines, in this order.
    virtual HRESULT Transform(IMediaSample* in, IMediaSample* out);
    virtual HRESULT CheckInputType(const CMediaType* in) = 0;
    virtual HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) = 0;
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
    virtual HRESULT GetMediaType(int position, CMediaType* type) = 0;
    virtual HRESULT StartStreaming();
    virtual HRESULT StopStreaming();
    virtual HRESULT AlterQuality();
    virtual HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type);
    virtual HRESULT CheckConnect(PIN_DIRECTION direction, IPin* pin);
    virtual HRESULT BreakConnect(PIN_DIRECTION direction);
    virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* receivePin);
    virtual HRESULT Receive(IMediaSample* sample) = 0;
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    HRESULT Stop() override;
    HRESULT Pause() override;

    CCritSec* FilterLock() noexcept { return &filterLock; }
    CCritSec* StreamingLock() noexcept { return &streamingLock; }
    CTransformInputPin* InputPin() const noexcept { return input; }
    CTransformOutputPin* OutputPin() const noexcept { return output; }

protected:
    bool eosDelivered = false;
    bool sampleSkipped = false;
    bool qualityChanged = false;
    CCritSec filterLock;
    CCritSec streamingLock;
    CTransformInputPin* input = nullptr;
    CTransformOutputPin* output = nullptr;
};
