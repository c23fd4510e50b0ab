#pragma once

#include "filter/framework/CBaseInputPin.h"

class CTransformFilter;

// The input pin of a transform filter: its id is "In"; negotiation and stream control
// go to the filter.
class CTransformInputPin : public CBaseInputPin {
public:
    CTransformInputPin(LPCWSTR objectName, CTransformFilter* filter, HRESULT* phr, LPCWSTR pinName) noexcept;

    HRESULT QueryId(LPWSTR* Id) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;

    HRESULT Receive(IMediaSample* pSample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

protected:
    CTransformFilter* transformFilter;
};
