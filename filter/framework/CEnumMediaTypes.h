#pragma once

#include "filter/framework/CBasePin.h"

// Enumerates the types a pin proposes (its GetMediaType), holding a reference on the pin.
class CEnumMediaTypes final : public IEnumMediaTypes {
public:
    // With one reference, or null.
    static CEnumMediaTypes* Create(CBasePin* pin, ULONG position = 0) noexcept;
    CEnumMediaTypes(const CEnumMediaTypes&) = delete;
    CEnumMediaTypes& operator=(const CEnumMediaTypes&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched) override;
    HRESULT Skip(ULONG cMediaTypes) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumMediaTypes** ppEnum) override;

private:
    CEnumMediaTypes(CBasePin* pin, ULONG position) noexcept;
    ~CEnumMediaTypes();

    CBasePin* pin;
    ULONG position;
    volatile LONG refCount = 1;
};
