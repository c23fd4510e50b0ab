#include "filter/framework/CBaseFilter.h"

#include <cwchar>

#include "filter/framework/CEnumPins.h"
#include "filter/framework/CFilterMapper.h"
#include "platform/base/Interlocked.h"
#include "platform/com/ComApi.h"

CBaseFilter::CBaseFilter(LPCWSTR name, IUnknown* outer, CCritSec* lock, REFCLSID clsid) noexcept
    : CUnknown(name, outer), clsid(clsid), lock(lock)
{
}

CBaseFilter::~CBaseFilter()
{
    if (clock != nullptr)
        clock->Release();
}

HRESULT CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_IBaseFilter) || IsEqualIID(riid, IID_IMediaFilter) || IsEqualIID(riid, IID_IPersist))
        return GetInterface(static_cast<IBaseFilter*>(this), ppv);
    if (IsEqualIID(riid, IID_IAMovieSetup))
        return GetInterface(static_cast<IAMovieSetup*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CBaseFilter::StreamTime(REFERENCE_TIME& time)
{
    CAutoLock guard(lock);
    if (clock == nullptr)
        return VFW_E_NO_CLOCK;
    const HRESULT hr = clock->GetTime(&time);
    if (FAILED(hr))
        return hr;
    time -= startTime;
    return S_OK;
}

LONG CBaseFilter::GetPinVersion()
{
    return InterlockedExchangeAdd(&pinVersion, 0);
}

void CBaseFilter::IncrementPinVersion() noexcept
{
    InterlockedIncrement(&pinVersion);
}

const AMOVIESETUP_FILTER* CBaseFilter::GetSetupData()
{
    return nullptr;
}

HRESULT CBaseFilter::GetClassID(CLSID* pClsID)
{
    if (pClsID == nullptr)
        return E_POINTER;
    *pClsID = clsid;
    return S_OK;
}

HRESULT CBaseFilter::Stop()
{
    CAutoLock guard(lock);
    HRESULT result = S_OK;
    if (!IsStopped()) {
        const int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin != nullptr && pin->IsConnected()) {
                const HRESULT hr = pin->Inactive();
                if (FAILED(hr) && SUCCEEDED(result))
                    result = hr;
            }
        }
    }
    state = State_Stopped;
    return result;
}

HRESULT CBaseFilter::Pause()
{
    CAutoLock guard(lock);
    if (IsStopped()) {
        const int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin != nullptr && pin->IsConnected()) {
                const HRESULT hr = pin->Active();
                if (FAILED(hr))
                    return hr;
            }
        }
    }
    state = State_Paused;
    return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME tStart)
{
    CAutoLock guard(lock);
    startTime = tStart;
    if (IsStopped()) {
        const HRESULT hr = Pause();
        if (FAILED(hr))
            return hr;
    }
    if (state.load() != State_Running) {
        const int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin != nullptr && pin->IsConnected()) {
                const HRESULT hr = pin->Run(tStart);
                if (FAILED(hr))
                    return hr;
            }
        }
    }
    state = State_Running;
    return S_OK;
}

HRESULT CBaseFilter::GetState(DWORD, FILTER_STATE* State)
{
    if (State == nullptr)
        return E_POINTER;
    *State = state.load();
    return S_OK;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock* pClock)
{
    CAutoLock guard(lock);
    if (pClock != nullptr)
        pClock->AddRef();
    if (clock != nullptr)
        clock->Release();
    clock = pClock;
    return S_OK;
}

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** pClock)
{
    if (pClock == nullptr)
        return E_POINTER;
    CAutoLock guard(lock);
    *pClock = clock;
    if (clock != nullptr)
        clock->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::EnumPins(IEnumPins** ppEnum)
{
    if (ppEnum == nullptr)
        return E_POINTER;
    *ppEnum = CEnumPins::Create(this);
    return *ppEnum != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CBaseFilter::FindPin(LPCWSTR Id, IPin** ppPin)
{
    if (Id == nullptr || ppPin == nullptr)
        return E_POINTER;
    *ppPin = nullptr;
    CAutoLock guard(lock);
    const int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
        CBasePin* pin = GetPin(i);
        if (pin == nullptr)
            continue;
        LPWSTR pinId = nullptr;
        if (FAILED(pin->QueryId(&pinId)))
            continue;
        const bool match = std::wcscmp(pinId, Id) == 0;
        CoTaskMemFree(pinId);
        if (match) {
            *ppPin = pin;
            pin->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* pInfo)
{
    if (pInfo == nullptr)
        return E_POINTER;
    std::wcsncpy(pInfo->achName, filterName.c_str(), MAX_FILTER_NAME - 1);
    pInfo->achName[MAX_FILTER_NAME - 1] = L'\0';
    pInfo->pGraph = graph;
    if (graph != nullptr)
        graph->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName)
{
    CAutoLock guard(lock);
    graph = pGraph;
    sink = nullptr;
    if (graph != nullptr) {
        void* found = nullptr;
        if (SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, &found))) {
            sink = static_cast<IMediaEventSink*>(found);
            sink->Release();
        }
    }
    filterName = pName != nullptr ? pName : L"";
    return S_OK;
}

HRESULT CBaseFilter::QueryVendorInfo(LPWSTR*)
{
    return E_NOTIMPL;
}

HRESULT CBaseFilter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2)
{
    IMediaEventSink* target = sink;
    if (target == nullptr)
        return E_NOTIMPL;
    return target->Notify(code, param1, param2);
}

HRESULT CBaseFilter::ReconnectPin(IPin* pin)
{
    if (graph == nullptr)
        return VFW_E_NOT_IN_GRAPH;
    return graph->Reconnect(pin);
}

HRESULT CBaseFilter::Register()
{
    const AMOVIESETUP_FILTER* setup = GetSetupData();
    if (setup == nullptr)
        return S_FALSE;
    const HRESULT init = CoInitialize(nullptr);
    IFilterMapper* mapper = nullptr;
    HRESULT hr = CFilterMapper::CreateInstance(&mapper);
    if (SUCCEEDED(hr)) {
        hr = mapper->RegisterFilter(*setup->clsID, setup->strName, setup->dwMerit);
        for (UINT p = 0; SUCCEEDED(hr) && p < setup->nPins; ++p) {
            const AMOVIESETUP_PIN& pin = setup->lpPin[p];
            hr = mapper->RegisterPin(*setup->clsID, pin.strName, pin.bRendered, pin.bOutput, pin.bZero,
                                     pin.bMany,
                                     pin.clsConnectsToFilter != nullptr ? *pin.clsConnectsToFilter : GUID_NULL,
                                     pin.strConnectsToPin);
            for (UINT t = 0; SUCCEEDED(hr) && t < pin.nMediaTypes; ++t) {
                const AMOVIESETUP_MEDIATYPE& type = pin.lpMediaType[t];
                hr = mapper->RegisterPinType(*setup->clsID, pin.strName,
                                             type.clsMajorType != nullptr ? *type.clsMajorType : GUID_NULL,
                                             type.clsMinorType != nullptr ? *type.clsMinorType : GUID_NULL);
            }
        }
        mapper->Release();
    }
    CoFreeUnusedLibraries();
    if (SUCCEEDED(init))
        CoUninitialize();
    // A failing mapper call ends the registration early but is not reported.
    return S_OK;
}

HRESULT CBaseFilter::Unregister()
{
    const AMOVIESETUP_FILTER* setup = GetSetupData();
    if (setup == nullptr)
        return S_FALSE;
    const HRESULT init = CoInitialize(nullptr);
    IFilterMapper* mapper = nullptr;
    HRESULT hr = CFilterMapper::CreateInstance(&mapper);
    if (SUCCEEDED(hr)) {
        hr = mapper->UnregisterFilter(*setup->clsID);
        mapper->Release();
        if (hr == HRESULT_FROM_WIN32(2))
            hr = S_OK;
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return hr;
}
