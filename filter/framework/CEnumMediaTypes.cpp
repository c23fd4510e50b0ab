#include "filter/framework/CEnumMediaTypes.h"

#include <new>

CEnumMediaTypes* CEnumMediaTypes::Create(CBasePin* pin, ULONG position) noexcept
{
    return new (std::nothrow) CEnumMediaTypes(pin, position);
}

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, ULONG position) noexcept
    : CSimpleUnknown(1), pin(pin), position(position)
{
    pin->AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes()
{
    pin->Release();
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
