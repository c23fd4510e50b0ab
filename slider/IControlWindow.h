#pragma once

// How a container gives an embeddable control its window: the control creates its widget
// as a child of the container's widget, and takes the container's ambient user mode.

#include "platform/com/Unknown.h"

class QWidget;

// {5C1E0B3A-7F42-4D8E-9A61-2B7D3C9E4F10}
inline constexpr IID IID_IControlWindow{0x5C1E0B3A, 0x7F42, 0x4D8E, {0x9A, 0x61, 0x2B, 0x7D, 0x3C, 0x9E, 0x4F, 0x10}};

class IControlWindow : public IUnknown {
public:
    // Creates the control's window inside parent at (x, y), w x h pixels, with the given
    // control id as its object name. E_UNEXPECTED when the window exists already;
    // E_INVALIDARG without a parent. *window (may be null) receives the widget, which the
    // parent owns from then on.
    virtual HRESULT CreateControlWindow(QWidget* parent, int x, int y, int w, int h, UINT controlId,
                                        QWidget** window) = 0;
    // The window, or null before creation and after the parent destroyed it.
    virtual QWidget* GetControlWindow() = 0;
    // FALSE: design mode.
    virtual HRESULT SetAmbientUserMode(BOOL userMode) = 0;

protected:
    ~IControlWindow() = default;
};
