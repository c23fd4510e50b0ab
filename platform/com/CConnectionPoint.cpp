#include "platform/com/CConnectionPoint.h"

#include "platform/com/CDispatchTable.h"
#include "platform/com/CEnumSnapshot.h"

CConnectionPoint::CConnectionPoint(IUnknown* owner, IConnectionPointContainer* container, REFIID iid)
    : owner_(owner), container_(container), iid_(iid)
{
}

CConnectionPoint::~CConnectionPoint()
{
    UnadviseAll();
}

ULONG CConnectionPoint::GetSinkCount() const
{
    ULONG n = 0;
    for (const Sink& s : sinks_)
        n += s.dispatch != nullptr ? 1 : 0;
    return n;
}

HRESULT CConnectionPoint::FireEvent(DISPID dispid, const VARIANT* args, UINT count)
{
    if (count > CDispatchTable::kMaxArgs || (count > 0 && args == nullptr))
        return E_INVALIDARG;
    ++firing_;
    HRESULT first = S_OK;
    // Sinks advised from inside a handler hear from the next event on.
    const std::size_t n = sinks_.size();
    for (std::size_t i = 0; i < n; ++i) {
        IDispatch* sink = sinks_[i].dispatch;
        if (sink == nullptr)
            continue;
        VARIANT reversed[CDispatchTable::kMaxArgs];
        for (UINT a = 0; a < count; ++a)
            reversed[count - 1 - a] = args[a];
        DISPPARAMS params{count > 0 ? reversed : nullptr, nullptr, count, 0};
        sink->AddRef();
        const HRESULT hr = sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                                        nullptr, nullptr);
        sink->Release();
        if (FAILED(hr) && SUCCEEDED(first))
            first = hr;
    }
    if (--firing_ == 0)
        Compact();
    return first;
}

void CConnectionPoint::Compact()
{
    std::size_t out = 0;
    for (std::size_t i = 0; i < sinks_.size(); ++i)
        if (sinks_[i].dispatch != nullptr)
            sinks_[out++] = sinks_[i];
    sinks_.resize(out);
}

void CConnectionPoint::UnadviseAll()
{
    for (Sink& s : sinks_) {
        IDispatch* sink = s.dispatch;
        s.dispatch = nullptr;
        if (sink != nullptr)
            sink->Release();
    }
    if (firing_ == 0)
        sinks_.clear();
}

HRESULT CConnectionPoint::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
        *ppv = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CConnectionPoint::AddRef() { return owner_->AddRef(); }
ULONG CConnectionPoint::Release() { return owner_->Release(); }

HRESULT CConnectionPoint::GetConnectionInterface(IID* pIID)
{
    if (pIID == nullptr)
        return E_POINTER;
    *pIID = iid_;
    return S_OK;
}

HRESULT CConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC)
{
    if (ppCPC == nullptr)
        return E_POINTER;
    *ppCPC = container_;
    if (container_ == nullptr)
        return E_UNEXPECTED;
    container_->AddRef();
    return S_OK;
}

HRESULT CConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie)
{
    if (pdwCookie == nullptr)
        return E_POINTER;
    *pdwCookie = 0;
    if (pUnkSink == nullptr)
        return E_POINTER;
    IDispatch* sink = nullptr;
    if (FAILED(pUnkSink->QueryInterface(iid_, reinterpret_cast<void**>(&sink))) || sink == nullptr) {
        sink = nullptr;
        if (FAILED(pUnkSink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink))) || sink == nullptr)
            return CONNECT_E_CANNOTCONNECT;
    }
    try {
        sinks_.push_back(Sink{sink, nextCookie_});
    } catch (const std::bad_alloc&) {
        sink->Release();
        return E_OUTOFMEMORY;
    }
    *pdwCookie = nextCookie_++;
    return S_OK;
}

HRESULT CConnectionPoint::Unadvise(DWORD dwCookie)
{
    for (std::size_t i = 0; i < sinks_.size(); ++i) {
        if (sinks_[i].cookie != dwCookie || sinks_[i].dispatch == nullptr)
            continue;
        IDispatch* sink = sinks_[i].dispatch;
        if (firing_ > 0)
            sinks_[i].dispatch = nullptr; // the firing loop skips it; compacted afterwards
        else
            sinks_.erase(sinks_.begin() + static_cast<std::ptrdiff_t>(i));
        sink->Release();
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT CConnectionPoint::EnumConnections(IEnumConnections** ppEnum)
{
    std::vector<CONNECTDATA> items;
    try {
        for (const Sink& s : sinks_)
            if (s.dispatch != nullptr)
                items.push_back(CONNECTDATA{s.dispatch, s.cookie});
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return CEnumSnapshot<IEnumConnections, CONNECTDATA, IID_IEnumConnections>::Create(items, ppEnum);
}
