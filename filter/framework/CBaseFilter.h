#pragma once

#include <atomic>
#include <string>

#include "filter/framework/CBasePin.h"
#include "filter/framework/CUnknown.h"
#include "platform/base/CCritSec.h"

// A filter: state, clock, graph membership, pins through GetPin, and self-registration
// in the filter mapper from its setup data. The lock is given by the derived filter.
class CBaseFilter : public CUnknown, public IBaseFilter, public IAMovieSetup {
public:
    CBaseFilter(LPCWSTR name, IUnknown* outer, CCritSec* lock, REFCLSID clsid) noexcept;

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ~CBaseFilter() override;

    virtual HRESULT StreamTime(REFERENCE_TIME& time);
    virtual LONG GetPinVersion();
    virtual int GetPinCount() = 0;
    virtual CBasePin* GetPin(int n) = 0;
    // The registration record; none by default.
    virtual const AMOVIESETUP_FILTER* GetSetupData();

    // IPersist
    HRESULT GetClassID(CLSID* pClsID) override;
    // IMediaFilter
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME tStart) override;
    HRESULT GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* State) override;
    HRESULT SetSyncSource(IReferenceClock* pClock) override;
    HRESULT GetSyncSource(IReferenceClock** pClock) override;
    // IBaseFilter
    HRESULT EnumPins(IEnumPins** ppEnum) override;
    // Matches the pins' QueryId; VFW_E_NOT_FOUND for any other id.
    HRESULT FindPin(LPCWSTR Id, IPin** ppPin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* pInfo) override;
    HRESULT JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
    HRESULT QueryVendorInfo(LPWSTR* pVendorInfo) override;
    // IAMovieSetup
    HRESULT Register() override;
    HRESULT Unregister() override;

    bool IsStopped() const noexcept { return state.load() == State_Stopped; }
    bool IsActive() const noexcept { return state.load() != State_Stopped; }
    FILTER_STATE State() const noexcept { return state.load(); }
    IFilterGraph* GetFilterGraph() const noexcept { return graph; }

    // Sends an event to the graph's event sink; E_NOTIMPL outside a graph.
    HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);
    // Asks the graph to reconnect a pin; VFW_E_NOT_IN_GRAPH outside a graph.
    HRESULT ReconnectPin(IPin* pin);
    void IncrementPinVersion() noexcept;

protected:
    std::atomic<FILTER_STATE> state{State_Stopped};
    IReferenceClock* clock = nullptr;
    REFERENCE_TIME startTime = 0;
    CLSID clsid;
    CCritSec* lock;
    std::wstring filterName;
    IFilterGraph* graph = nullptr;    // not counted: the graph holds the filter
    IMediaEventSink* sink = nullptr;  // not counted, as the graph
    volatile LONG pinVersion = 1;
};
