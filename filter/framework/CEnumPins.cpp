#include "filter/framework/CEnumPins.h"

#include <new>

#include "filter/framework/CBaseFilter.h"

CEnumPins* CEnumPins::Create(CBaseFilter* filter, int position) noexcept
{
    return new (std::nothrow) CEnumPins(filter, position);
}

CEnumPins::CEnumPins(CBaseFilter* filter, int position) noexcept
    : CSimpleUnknown(1), filter(filter), position(position), version(filter->GetPinVersion())
{
    filter->AddRef();
}

CEnumPins::~CEnumPins()
{
    filter->Release();
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
