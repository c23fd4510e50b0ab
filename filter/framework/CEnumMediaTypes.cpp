#include "filter/framework/CEnumMediaTypes.h"

#include <new>

#include "platform/base/Interlocked.h"

CEnumMediaTypes* CEnumMediaTypes::Create(CBasePin* pin, ULONG position) noexcept
{
    return new (std::nothrow) CEnumMediaTypes(pin, position);
}

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, ULONG position) noexcept : pin(pin), position(position)
{
    pin->AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes()
{
    pin->Release();
}

HRESULT CEnumMediaTypes::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumMediaTypes)) {
        *ppv = static_cast<IEnumMediaTypes*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CEnumMediaTypes::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refCount));
}

ULONG CEnumMediaTypes::Release()
{
    const LONG count = InterlockedDecrement(&refCount);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

HRESULT CEnumMediaTypes::Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched)
{
    if (ppMediaTypes == nullptr)
        return E_POINTER;
    if (pcFetched == nullptr && cMediaTypes != 1)
        return E_INVALIDARG;
    ULONG fetched = 0;
    while (fetched < cMediaTypes) {
        CMediaType type;
        if (pin->GetMediaType(static_cast<int>(position), &type) != S_OK)
            break;
        AM_MEDIA_TYPE* copy = CreateMediaType(&type);
        if (copy == nullptr)
            break;
        ppMediaTypes[fetched++] = copy;
        ++position;
    }
    if (pcFetched != nullptr)
        *pcFetched = fetched;
    return fetched == cMediaTypes ? S_OK : S_FALSE;
}

HRESULT CEnumMediaTypes::Skip(ULONG cMediaTypes)
{
    ULONG skipped = 0;
    CMediaType type;
    while (skipped < cMediaTypes && pin->GetMediaType(static_cast<int>(position), &type) == S_OK) {
        ++position;
        ++skipped;
    }
    return skipped == cMediaTypes ? S_OK : S_FALSE;
}

HRESULT CEnumMediaTypes::Reset()
{
    position = 0;
    return S_OK;
}

HRESULT CEnumMediaTypes::Clone(IEnumMediaTypes** ppEnum)
{
    if (ppEnum == nullptr)
        return E_POINTER;
    *ppEnum = Create(pin, position);
    return *ppEnum != nullptr ? S_OK : E_OUTOFMEMORY;
}
