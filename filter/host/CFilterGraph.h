#pragma once

#include <condition_variable>
#include <mutex>
#include <vector>

#include "filter/framework/CUnknown.h"

// A filter graph: holds its filters, connects pins directly (a reconnect asked for while
// connecting is done once the outer connection has finished), changes the state of all
// filters, and collects their events.
class CFilterGraph final : public CUnknown, public IFilterGraph, public IMediaEventSink {
public:
    // A new graph with one reference.
    static CFilterGraph* CreateInstance() noexcept;

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT AddFilter(IBaseFilter* pFilter, LPCWSTR pName) override;
    HRESULT RemoveFilter(IBaseFilter* pFilter) override;
    HRESULT FindFilterByName(LPCWSTR pName, IBaseFilter** ppFilter) override;
    HRESULT ConnectDirect(IPin* ppinOut, IPin* ppinIn, const AM_MEDIA_TYPE* pmt) override;
    HRESULT Reconnect(IPin* ppin) override;
    HRESULT Disconnect(IPin* ppin) override;
    HRESULT SetDefaultSyncSource() override;
    HRESULT Notify(long EventCode, LONG_PTR EventParam1, LONG_PTR EventParam2) override;

    // Downstream filters first (the reverse of the order they were added).
    HRESULT Pause();
    HRESULT Run();
    // Downstream filters first, as for Pause and Run: a renderer that holds the streaming
    // thread (waiting for its device) lets it go before the filters upstream wait for it.
    HRESULT Stop();
    // Waits for EC_COMPLETE or EC_ERRORABORT; E_ABORT on time-out. *result is the
    // error carried by an abort, else S_OK.
    HRESULT WaitForCompletion(DWORD milliseconds, HRESULT* result);
    // Forgets earlier events before a new run.
    void ResetEvents();

private:
    CFilterGraph() noexcept;
    ~CFilterGraph() override;
    HRESULT DoReconnect(IPin* pin);

    std::vector<IBaseFilter*> filters;
    std::vector<IPin*> pendingReconnects;
    int connectDepth = 0;
    std::mutex eventMutex;
    std::condition_variable eventArrived;
    bool completed = false;
    bool aborted = false;
    HRESULT abortResult = S_OK;
};
