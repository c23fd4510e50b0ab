#pragma once

#include "filter/ISaturationSettings.h"
#include "filter/framework/CBasePropertyPage.h"

// The filter's property page object: connects to a filter's settings interface and
// registers its dialog for the filter's format-change notifications (command 32700).
// Its controls come with the toolkit page.
class CSaturationPage : public CBasePropertyPage {
public:
    static constexpr int NotifyCommand = 32700;

    static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);
    CSaturationPage(IUnknown* outer, HRESULT* phr) noexcept;

    HRESULT OnConnect(IUnknown* object) override;
    HRESULT OnDisconnect() override;
    LRESULT OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    ISaturationSettings* Settings() const noexcept { return settings; }
    int FormatChanges() const noexcept { return formatChanges; }

protected:
    std::wstring TitleText() override;

private:
    ISaturationSettings* settings = nullptr;
    int formatChanges = 0;
};
