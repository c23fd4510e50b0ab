#pragma once

#include "filter/framework/MediaInterfaces.h"
#include "platform/com/CSimpleUnknown.h"

class CBaseFilter;

// Enumerates a filter's pins, holding a reference on the filter. A change of the
// filter's pin version since the enumerator was made gives VFW_E_ENUM_OUT_OF_SYNC.
class CEnumPins final : public CSimpleUnknown<IEnumPins, IID_IEnumPins> {
public:
    // With one reference, or null.
    static CEnumPins* Create(CBaseFilter* filter, int position = 0) noexcept;

    HRESULT Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override;
    HRESULT Skip(ULONG cPins) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumPins** ppEnum) override;

private:
    CEnumPins(CBaseFilter* filter, int position) noexcept;
    ~CEnumPins() override;

    CBaseFilter* filter;
    int position;
    LONG version;
};
