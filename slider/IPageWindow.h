#pragma once

// How a host shows a component's property page: hand it the objects to edit, give it a
// window inside the host's, and apply.

#include "platform/com/Unknown.h"

class QWidget;

// {3E8A4D21-96B5-4C07-8F3E-71A2C5D90B64}
inline constexpr IID IID_IPageWindow{0x3E8A4D21, 0x96B5, 0x4C07, {0x8F, 0x3E, 0x71, 0xA2, 0xC5, 0xD9, 0x0B, 0x64}};

class IPageWindow : public IUnknown {
public:
    // The objects whose properties the page edits (each answering IDispatch); 0 releases them.
    virtual HRESULT SetObjects(ULONG cObjects, IUnknown** ppUnk) = 0;
    // Creates the page's window in parent and loads the values of the first object.
    // *window (may be null) receives it; the parent owns it from then on.
    virtual HRESULT Activate(QWidget* parent, QWidget** window) = 0;
    virtual HRESULT Deactivate() = 0;
    // S_OK when a field differs from what was last loaded or applied, else S_FALSE.
    virtual HRESULT IsPageDirty() = 0;
    // Validates and applies; E_FAIL (nothing applied, the page shows why) when a field
    // is out of its bounds.
    virtual HRESULT Apply() = 0;

protected:
    ~IPageWindow() = default;
};
