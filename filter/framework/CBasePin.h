#pragma once

#include <string>

#include "filter/framework/CMediaType.h"
#include "filter/framework/CUnknown.h"
#include "platform/base/CCritSec.h"

class CBaseFilter;

// A pin of a filter: connection and media-type negotiation. A pin's count is its
// filter's; the filter owns and deletes its pins. The lock is the filter's lock.
class CBasePin : public CUnknown, public IPin {
public:
    CBasePin(LPCWSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* phr, LPCWSTR pinName,
             PIN_DIRECTION direction) noexcept;
    ~CBasePin() override;

    HRESULT QueryInterface(REFIID riid, void** ppv) override { return NonDelegatingQueryInterface(riid, ppv); }
    ULONG AddRef() override { return NonDelegatingAddRef(); }
    ULONG Release() override { return NonDelegatingRelease(); }
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG NonDelegatingAddRef() override;
    ULONG NonDelegatingRelease() override;

    // IPin
    HRESULT Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    HRESULT ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** pPin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
    HRESULT QueryPinInfo(PIN_INFO* pInfo) override;
    HRESULT QueryDirection(PIN_DIRECTION* pPinDir) override;
    HRESULT QueryId(LPWSTR* Id) override;
    HRESULT QueryAccept(const AM_MEDIA_TYPE* pmt) override;
    HRESULT EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override = 0;
    HRESULT EndFlush() override = 0;
    HRESULT NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

    // Negotiation steps a derived pin refines.
    virtual HRESULT CheckMediaType(const CMediaType* mediaType) = 0;
    virtual HRESULT SetMediaType(const CMediaType* mediaType);
    virtual HRESULT CheckConnect(IPin* pin);
    virtual HRESULT BreakConnect();
    virtual HRESULT CompleteConnect(IPin* receivePin);
    // The types this pin proposes; VFW_S_NO_MORE_ITEMS past the last.
    virtual HRESULT GetMediaType(int position, CMediaType* mediaType);

    // State changes of the filter.
    virtual HRESULT Active();
    virtual HRESULT Inactive();
    virtual HRESULT Run(REFERENCE_TIME start);

    bool IsConnected() const noexcept { return connected != nullptr; }
    IPin* GetConnected() const noexcept { return connected; }
    const CMediaType& CurrentMediaType() const noexcept { return mediaType; }
    PIN_DIRECTION Direction() const noexcept { return direction; }
    LPCWSTR PinName() const noexcept { return pinName.c_str(); }
    bool IsStopped() const noexcept;
    REFERENCE_TIME CurrentStartTime() const noexcept { return segmentStart; }
    REFERENCE_TIME CurrentStopTime() const noexcept { return segmentStop; }
    double CurrentRate() const noexcept { return segmentRate; }

protected:
    HRESULT AgreeMediaType(IPin* receivePin, const CMediaType* proposed);
    HRESULT TryMediaTypes(IPin* receivePin, const CMediaType* proposed, IEnumMediaTypes* types);
    HRESULT AttemptConnection(IPin* receivePin, const CMediaType* type);
    // Hands out a copy of text in task memory.
    static HRESULT CopyText(LPCWSTR text, LPWSTR* out) noexcept;

    CBaseFilter* filter;
    CCritSec* lock;
    std::wstring pinName;
    IPin* connected = nullptr;
    PIN_DIRECTION direction;
    CMediaType mediaType;
    REFERENCE_TIME segmentStart = 0;
    REFERENCE_TIME segmentStop = 0x7FFFFFFFFFFFFFFF;
    double segmentRate = 1.0;
};
