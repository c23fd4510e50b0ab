#pragma once

#include <string>

#include "engine/SaturationEngine.h"
#include "filter/ISaturationSettings.h"
#include "filter/framework/CBasePropertyPage.h"

struct HELPINFO;

// The filter's property page: six trackbars, two dB read-outs and three switches that
// send every user action to the filter's settings at once. The page keeps no copy of
// the settings; its dialog is registered for the filter's format changes (command 32700)
// while both exist, and the switches that are on blink while the filter streams.
class CSaturationPage : public CBasePropertyPage {
public:
    static constexpr int NotifyCommand = 32700;

    static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);
    CSaturationPage(IUnknown* outer, HRESULT* phr) noexcept;

    HRESULT GetPageInfo(PROPPAGEINFO* pPageInfo) override;
    HRESULT IsPageDirty() override;
    HRESULT Help(LPCOLESTR pszHelpDir) override;
    HRESULT TranslateAccelerator(MSG* pMsg) override;
    HRESULT OnConnect(IUnknown* object) override;
    HRESULT OnDisconnect() override;
    LRESULT OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // "<directory of the module>/EmbrelAM.hlp".
    static std::string HelpFilePath();

protected:
    std::wstring TitleText() override;
    const DialogTemplate* DialogResource() const override;

private:
    void OnInitDialog(HWND window);
    void SetUpTrackbars();
    void RefreshControls(int id);
    void OnVScroll(int id);
    void OnCommand(int id);
    void OnTimer();
    void OnHelp(const HELPINFO* request);
    void OnDestroy();

    SaturationEngine engine;
    int colourCount = 0;
    COLORREF pageColour = 0;
    COLORREF trackbarColour = 0;
    int blinkPhase = 0;
    // The resting images are shown once after streaming stops.
    bool imagesReset = false;
    ISaturationSettings* settings = nullptr;
};
