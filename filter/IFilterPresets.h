#pragma once

#include "filter/FilterIds.h"
#include "platform/com/Unknown.h"

// The filter's ten factory presets.
class IFilterPresets : public IUnknown {
public:
    virtual HRESULT GetPresetCount(int* out) = 0;
    // The name as wide text, cut to fit and always terminated.
    virtual HRESULT GetPresetName(int index, wchar_t* buffer, int length) = 0;
    virtual HRESULT ApplyPreset(int index) = 0;

protected:
    ~IFilterPresets() = default;
};
