#include "filter/framework/CEnumPins.h"

#include <new>

#include "filter/framework/CBaseFilter.h"
#include "platform/base/Interlocked.h"

CEnumPins* CEnumPins::Create(CBaseFilter* filter, int position) noexcept
{
    return new (std::nothrow) CEnumPins(filter, position);
}

CEnumPins::CEnumPins(CBaseFilter* filter, int position) noexcept
    : filter(filter), position(position), version(filter->GetPinVersion())
{
    filter->AddRef();
}

CEnumPins::~CEnumPins()
{
    filter->Release();
}

HRESULT CEnumPins::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumPins)) {
        *ppv = static_cast<IEnumPins*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CEnumPins::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refCount));
}

ULONG CEnumPins::Release()
{
    const LONG count = InterlockedDecrement(&refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

HRESULT CEnumPins::Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched)
{
    if (ppPins == nullptr)
        return E_POINTER;
    if (pcFetched == nullptr && cPins != 1)
        return E_INVALIDARG;
    if (pcFetched != nullptr)
        *pcFetched = 0;
    if (version != filter->GetPinVersion())
        return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG fetched = 0;
    const int count = filter->GetPinCount();
    while (fetched < cPins && position < count) {
        CBasePin* pin = filter->GetPin(position++);
        if (pin == nullptr)
            continue;
        ppPins[fetched] = pin;
        pin->AddRef();
        ++fetched;
    }
    if (pcFetched != nullptr)
        *pcFetched = fetched;
    return fetched == cPins ? S_OK : S_FALSE;
}

HRESULT CEnumPins::Skip(ULONG cPins)
{
    if (version != filter->GetPinVersion())
        return VFW_E_ENUM_OUT_OF_SYNC;
    const int count = filter->GetPinCount();
    const long target = position + static_cast<long>(cPins);
    if (target > count) {
        position = count;
        return S_FALSE;
    }
    position = static_cast<int>(target);
    return S_OK;
}

HRESULT CEnumPins::Reset()
{
    version = filter->GetPinVersion();
    position = 0;
    return S_OK;
}

HRESULT CEnumPins::Clone(IEnumPins** ppEnum)
{
    if (ppEnum == nullptr)
        return E_POINTER;
    *ppEnum = Create(filter, position);
    return *ppEnum != nullptr ? S_OK : E_OUTOFMEMORY;
}
