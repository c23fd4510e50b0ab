#pragma once

#include "filter/framework/CBasePin.h"
#include "platform/com/CSimpleUnknown.h"

// Enumerates the types a pin proposes (its GetMediaType), holding a reference on the pin.
class CEnumMediaTypes final : public CSimpleUnknown<IEnumMediaTypes, IID_IEnumMediaTypes> {
public:
    // With one reference, or null.
    static CEnumMediaTypes* Create(CBasePin* pin, ULONG position = 0) noexcept;

    HRESULT Next(ULONG cMediaTypes, AM_MEDIA_TYPE** ppMediaTypes, ULONG* pcFetched) override;
    HRESULT Skip(ULONG cMediaTypes) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumMediaTypes** ppEnum) override;

private:
    CEnumMediaTypes(CBasePin* pin, ULONG position) noexcept;
    ~CEnumMediaTypes() override;

    CBasePin* pin;
    ULONG position;
};
