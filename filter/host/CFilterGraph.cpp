#include "filter/host/CFilterGraph.h"

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <new>

#include "filter/framework/CMediaType.h"

CFilterGraph::CFilterGraph() noexcept : CUnknown(L"Filter graph", nullptr) {}

namespace {

// Connected pins hold their peers' filters, so a filter leaves its graph unconnected.
void DisconnectPins(IBaseFilter* filter)
{
    IEnumPins* pins = nullptr;
    if (FAILED(filter->EnumPins(&pins)))
        return;
    IPin* pin = nullptr;
    ULONG fetched = 0;
    while (pins->Next(1, &pin, &fetched) == S_OK && fetched == 1) {
        IPin* peer = nullptr;
        if (SUCCEEDED(pin->ConnectedTo(&peer))) {
            peer->Disconnect();
            peer->Release();
        }
        pin->Disconnect();
        pin->Release();
    }
    pins->Release();
}

} // namespace

CFilterGraph::~CFilterGraph()
{
    Stop();
    for (IPin* pin : pendingReconnects)
        pin->Release();
    for (IBaseFilter* filter : filters)
        DisconnectPins(filter);
    for (IBaseFilter* filter : filters) {
        filter->JoinFilterGraph(nullptr, nullptr);
        filter->Release();
    }
}

CFilterGraph* CFilterGraph::CreateInstance() noexcept
{
    auto* graph = new (std::nothrow) CFilterGraph();
    if (graph != nullptr)
        graph->NonDelegatingAddRef();
    return graph;
}

HRESULT CFilterGraph::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_IFilterGraph))
        return GetInterface(static_cast<IFilterGraph*>(this), ppv);
    if (IsEqualIID(riid, IID_IMediaEventSink))
        return GetInterface(static_cast<IMediaEventSink*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CFilterGraph::AddFilter(IBaseFilter* pFilter, LPCWSTR pName)
{
    if (pFilter == nullptr)
        return E_POINTER;
    if (std::find(filters.begin(), filters.end(), pFilter) != filters.end())
        return VFW_E_DUPLICATE_NAME;
    const HRESULT hr = pFilter->JoinFilterGraph(this, pName != nullptr ? pName : L"");
    if (FAILED(hr))
        return hr;
    filters.push_back(pFilter);
    pFilter->AddRef();
    return S_OK;
}

HRESULT CFilterGraph::RemoveFilter(IBaseFilter* pFilter)
{
    auto found = std::find(filters.begin(), filters.end(), pFilter);
    if (found == filters.end())
        return VFW_E_NOT_FOUND;
    pFilter->Stop();
    DisconnectPins(pFilter);
    pFilter->JoinFilterGraph(nullptr, nullptr);
    filters.erase(found);
    pFilter->Release();
    return S_OK;
}

HRESULT CFilterGraph::FindFilterByName(LPCWSTR pName, IBaseFilter** ppFilter)
{
    if (pName == nullptr || ppFilter == nullptr)
        return E_POINTER;
    *ppFilter = nullptr;
    for (IBaseFilter* filter : filters) {
        FILTER_INFO info{};
        if (FAILED(filter->QueryFilterInfo(&info)))
            continue;
        if (info.pGraph != nullptr)
            info.pGraph->Release();
        if (std::wcscmp(info.achName, pName) == 0) {
            *ppFilter = filter;
            filter->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CFilterGraph::ConnectDirect(IPin* ppinOut, IPin* ppinIn, const AM_MEDIA_TYPE* pmt)
{
    if (ppinOut == nullptr || ppinIn == nullptr)
        return E_POINTER;
    ++connectDepth;
    HRESULT hr = ppinOut->Connect(ppinIn, pmt);
    --connectDepth;
    if (connectDepth == 0) {
        while (!pendingReconnects.empty()) {
            IPin* pin = pendingReconnects.front();
            pendingReconnects.erase(pendingReconnects.begin());
            const HRESULT reconnected = DoReconnect(pin);
            pin->Release();
            if (SUCCEEDED(hr) && FAILED(reconnected))
                hr = reconnected;
        }
    }
    return hr;
}

HRESULT CFilterGraph::Reconnect(IPin* ppin)
{
    if (ppin == nullptr)
        return E_POINTER;
    if (connectDepth > 0) {
        pendingReconnects.push_back(ppin);
        ppin->AddRef();
        return S_OK;
    }
    return DoReconnect(ppin);
}

HRESULT CFilterGraph::DoReconnect(IPin* pin)
{
    IPin* peer = nullptr;
    if (FAILED(pin->ConnectedTo(&peer)))
        return VFW_E_NOT_CONNECTED;
    CMediaType type;
    AM_MEDIA_TYPE current{};
    if (SUCCEEDED(pin->ConnectionMediaType(&current))) {
        type = current;
        FreeMediaType(current);
    }
    PIN_DIRECTION direction;
    pin->QueryDirection(&direction);
    IPin* out = direction == PINDIR_OUTPUT ? pin : peer;
    IPin* in = direction == PINDIR_OUTPUT ? peer : pin;
    out->Disconnect();
    in->Disconnect();
    ++connectDepth;
    HRESULT hr = out->Connect(in, type.IsValid() ? &type : nullptr);
    --connectDepth;
    peer->Release();
    return hr;
}

HRESULT CFilterGraph::Disconnect(IPin* ppin)
{
    if (ppin == nullptr)
        return E_POINTER;
    return ppin->Disconnect();
}

HRESULT CFilterGraph::SetDefaultSyncSource()
{
    return S_OK;
}

HRESULT CFilterGraph::Notify(long EventCode, LONG_PTR EventParam1, LONG_PTR)
{
    std::lock_guard lock(eventMutex);
    if (EventCode == EC_COMPLETE)
        completed = true;
    if (EventCode == EC_ERRORABORT || EventCode == EC_USERABORT) {
        aborted = true;
        abortResult = static_cast<HRESULT>(EventParam1);
    }
    eventArrived.notify_all();
    return S_OK;
}

void CFilterGraph::ResetEvents()
{
    std::lock_guard lock(eventMutex);
    completed = false;
    aborted = false;
    abortResult = S_OK;
}

HRESULT CFilterGraph::WaitForCompletion(DWORD milliseconds, HRESULT* result)
{
    std::unique_lock lock(eventMutex);
    const auto done = [this] { return completed || aborted; };
    if (milliseconds == INFINITE)
        eventArrived.wait(lock, done);
    else if (!eventArrived.wait_for(lock, std::chrono::milliseconds(milliseconds), done))
        return E_ABORT;
    if (result != nullptr)
        *result = aborted ? abortResult : S_OK;
    return S_OK;
}

HRESULT CFilterGraph::Pause()
{
    for (auto it = filters.rbegin(); it != filters.rend(); ++it) {
        const HRESULT hr = (*it)->Pause();
        if (FAILED(hr)) {
            Stop();
            return hr;
        }
    }
    return S_OK;
}

HRESULT CFilterGraph::Run()
{
    ResetEvents();
    HRESULT hr = Pause();
    if (FAILED(hr))
        return hr;
    for (auto it = filters.rbegin(); it != filters.rend(); ++it) {
        hr = (*it)->Run(0);
        if (FAILED(hr)) {
            Stop();
            return hr;
        }
    }
    return S_OK;
}

HRESULT CFilterGraph::Stop()
{
    HRESULT result = S_OK;
    for (auto it = filters.rbegin(); it != filters.rend(); ++it) {
        const HRESULT hr = (*it)->Stop();
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    return result;
}
