#pragma once

#include <string>
#include <vector>

#include "filter/framework/CUnknown.h"

// The filter registry: filters, their pins and pin media types, kept under
// HKEY_CLASSES_ROOT\Filter\{clsid}.
class CFilterMapper final : public CUnknown, public IFilterMapper {
public:
    struct PinRecord {
        std::wstring name;
        BOOL rendered;
        BOOL output;
        BOOL zero;
        BOOL many;
        CLSID connectsToFilter;
        std::wstring connectsToPin;
        std::vector<std::pair<GUID, GUID>> mediaTypes; // major, sub
    };
    struct FilterRecord {
        CLSID clsid;
        std::wstring name;
        DWORD merit;
        std::vector<PinRecord> pins;
    };

    // A new mapper with one reference.
    static HRESULT CreateInstance(IFilterMapper** mapper) noexcept;

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT RegisterFilter(CLSID clsid, LPCWSTR Name, DWORD dwMerit) override;
    HRESULT RegisterPin(CLSID Filter, LPCWSTR Name, BOOL bRendered, BOOL bOutput, BOOL bZero, BOOL bMany,
                        CLSID ConnectsToFilter, LPCWSTR ConnectsToPin) override;
    HRESULT RegisterPinType(CLSID clsFilter, LPCWSTR strName, CLSID clsMajorType, CLSID clsSubType) override;
    HRESULT UnregisterFilter(CLSID Filter) override;
    HRESULT UnregisterPin(CLSID Filter, LPCWSTR Name) override;

    // Every registered filter, in registry order.
    static HRESULT ListFilters(std::vector<FilterRecord>* filters);

private:
    CFilterMapper() noexcept;
};
