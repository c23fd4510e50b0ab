#pragma once

#include "filter/framework/MediaInterfaces.h"

class CBaseFilter;

// Enumerates a filter's pins, holding a reference on the filter. A change of the
// filter's pin version since the enumerator was made gives VFW_E_ENUM_OUT_OF_SYNC.
class CEnumPins final : public IEnumPins {
public:
    // With one reference, or null.
    static CEnumPins* Create(CBaseFilter* filter, int position = 0) noexcept;
    CEnumPins(const CEnumPins&) = delete;
    CEnumPins& operator=(const CEnumPins&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Next(ULONG cPins, IPin** ppPins, ULONG* pcFetched) override;
    HRESULT Skip(ULONG cPins) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumPins** ppEnum) override;

private:
    CEnumPins(CBaseFilter* filter, int position) noexcept;
    ~CEnumPins();

    CBaseFilter* filter;
    int position;
    LONG version;
    volatile LONG refCount = 1;
};
