#pragma once

#include "engine/SaturationSettings.h"
#include "filter/FilterIds.h"
#include "platform/com/Unknown.h"

// The filter's nine settings, read and changed from any thread. Puts clamp silently into
// the slider ranges.
class ISaturationSettings : public IUnknown {
public:
    virtual HRESULT get_Streaming(int* out) = 0;
    virtual HRESULT GetSettings(SaturationSettings* out) = 0;
    virtual HRESULT PutSettings(const SaturationSettings* in) = 0;
    // 20 bytes: the normalised wave format of the connection (VFW_E_NOT_CONNECTED before one).
    virtual HRESULT GetWaveFormat(BYTE* out) = 0;
    // Command id 0 unregisters the window; at most two windows.
    virtual HRESULT SetNotifyWindow(HWND window, int commandId) = 0;
    virtual HRESULT get_Gain(int* out) = 0;
    virtual HRESULT put_Gain(int value) = 0;
    virtual HRESULT get_Tube(int* out) = 0;
    virtual HRESULT put_Tube(int value) = 0;
    virtual HRESULT get_Mix(int* out) = 0;
    virtual HRESULT put_Mix(int value) = 0;
    virtual HRESULT get_Character(int* out) = 0;
    virtual HRESULT put_Character(int value) = 0;
    virtual HRESULT get_Dynamics(int* out) = 0;
    virtual HRESULT put_Dynamics(int value) = 0;
    virtual HRESULT get_Tape(int* out) = 0;
    virtual HRESULT put_Tape(int value) = 0;
    virtual HRESULT get_Knee(int* out) = 0;
    virtual HRESULT put_Knee(int value) = 0;
    virtual HRESULT get_Limiter(int* out) = 0;
    virtual HRESULT put_Limiter(int value) = 0;
    virtual HRESULT get_Dither(int* out) = 0;
    virtual HRESULT put_Dither(int value) = 0;

protected:
    ~ISaturationSettings() = default;
};
