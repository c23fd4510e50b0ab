#include "filter/CSaturationPage.h"

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <new>

#include "engine/ParameterTable.h"
#include "filter/SaturationPageResources.h"
#include "filter/framework/ModuleRegistration.h"
#include "platform/com/ComApi.h"
#include "platform/help/WinHelp.h"

namespace ids = SaturationPageIds;

namespace {

constexpr COLORREF kPageColour = 0x02FF9999;  // palette-relative light blue
constexpr COLORREF kGrey = 0xC0C0C0;
constexpr std::size_t kHelpFileBlock = 1040;

int TickSpacing(int low, int high)
{
    return (high - low + 5) / 10;
}

} // namespace

CUnknown* CSaturationPage::CreateInstance(IUnknown* outer, HRESULT* phr)
{
    auto* page = new (std::nothrow) CSaturationPage(outer, phr);
    if (page == nullptr && phr != nullptr)
        *phr = E_OUTOFMEMORY;
    return page;
}

CSaturationPage::CSaturationPage(IUnknown* outer, HRESULT*) noexcept
    : CBasePropertyPage(L"Calyrix by Quorel Property Page", outer, ids::Dialog, ids::TitleString)
{
}

std::wstring CSaturationPage::TitleText()
{
    return L"Calyrix";
}

const DialogTemplate* CSaturationPage::DialogResource() const
{
    return &SaturationPageTemplate();
}

std::string CSaturationPage::HelpFilePath()
{
    std::wstring module;
    DWORD error = 0;
    if (!GetFrameworkModulePath(&module, &error))
        return "EmbrelAM.hlp";
    const std::filesystem::path directory = std::filesystem::path(OleToUtf8(module.c_str())).parent_path();
    return (directory / "EmbrelAM.hlp").string();
}

HRESULT CSaturationPage::GetPageInfo(PROPPAGEINFO* pPageInfo)
{
    // The base fills in the title and the dialog's size; this page adds its help file.
    const HRESULT hr = CBasePropertyPage::GetPageInfo(pPageInfo);
    if (FAILED(hr))
        return hr;
    // The designed block holds 1040 bytes; a longer path gets a block that fits it whole.
    const std::wstring help = Utf8ToOle(HelpFilePath().c_str());
    const std::size_t bytes = std::max(kHelpFileBlock, (help.size() + 1) * sizeof(OLECHAR));
    auto* helpFile = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (helpFile == nullptr) {
        CoTaskMemFree(pPageInfo->pszTitle);
        pPageInfo->pszTitle = nullptr;
        return E_OUTOFMEMORY;
    }
    std::wmemcpy(helpFile, help.c_str(), help.size() + 1);
    pPageInfo->pszHelpFile = helpFile;
    pPageInfo->dwHelpContext = 1;
    return S_OK;
}

HRESULT CSaturationPage::IsPageDirty()
{
    return S_FALSE;
}

HRESULT CSaturationPage::Help(LPCOLESTR)
{
    return E_NOTIMPL;
}

HRESULT CSaturationPage::TranslateAccelerator(MSG*)
{
    return E_NOTIMPL;
}

HRESULT CSaturationPage::OnConnect(IUnknown* object)
{
    if (object == nullptr)
        return E_POINTER;
    if (settings != nullptr)
        OnDisconnect();
    void* found = nullptr;
    if (FAILED(object->QueryInterface(IID_ISaturationSettings, &found)) || found == nullptr)
        return E_NOINTERFACE;
    settings = static_cast<ISaturationSettings*>(found);
    if (dialog != nullptr) {
        settings->SetNotifyWindow(dialog, NotifyCommand);
        RefreshControls(0);
    }
    return S_OK;
}

HRESULT CSaturationPage::OnDisconnect()
{
    if (settings == nullptr)
        return E_UNEXPECTED;
    if (dialog != nullptr)
        settings->SetNotifyWindow(dialog, 0);
    settings->Release();
    settings = nullptr;
    return S_OK;
}

LRESULT CSaturationPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(window);
        RefreshControls(0);
        return 1;
    case WM_COMMAND:
        if (settings != nullptr) {
            OnCommand(LOWORD(wParam));
            Dialog()->SetFocus(ids::FocusButton);
            RefreshControls(LOWORD(wParam));
        }
        return 0;
    case WM_VSCROLL:
        if (settings != nullptr) {
            OnVScroll(static_cast<int>(lParam));
            RefreshControls(static_cast<int>(lParam));
        }
        return 0;
    case WM_TIMER:
        OnTimer();
        return 0;
    case WM_HELP:
        OnHelp(reinterpret_cast<const HELPINFO*>(lParam));
        return 1;
    case WM_DESTROY:
        OnDestroy();
        break;
    default:
        break;
    }
    return CBasePropertyPage::OnReceiveMessage(window, message, wParam, lParam);
}

void CSaturationPage::OnInitDialog(HWND window)
{
    CPageDialog& page = *Dialog();
    if (settings != nullptr)
        settings->SetNotifyWindow(window, NotifyCommand);
    colourCount = page.DisplayColours() == -1 ? 1 << 24 : page.DisplayColours();
    pageColour = colourCount > 16 ? kPageColour : kGrey;
    trackbarColour = kGrey;
    page.SetColours(pageColour, trackbarColour);
    page.SetImage(ids::Banner, colourCount > 16 ? ids::BannerBitmap : ids::BannerBitmap16);
    page.SetLabelFont(DialogFont{"Franklin Gothic Medium Cond", 18, 400},
                      {ids::GainLabel, ids::GainReadout, ids::MixLabel, ids::CharacterLabel, ids::DynamicsLabel,
                       ids::KneeLabel, ids::LimiterLabel, ids::LimiterReadout});
    SetUpTrackbars();
    page.SetImage(ids::TubeButton, ids::TubeIcon);
    page.SetImage(ids::TapeButton, ids::TapeIcon);
    page.SetTimer(ids::BlinkTimer, ids::BlinkPeriod);
    blinkPhase = 0;
}

void CSaturationPage::SetUpTrackbars()
{
    const struct {
        int id;
        ParameterId parameter;
    } trackbars[] = {
        {ids::GainTrackbar, ParameterId::Gain},         {ids::MixTrackbar, ParameterId::Mix},
        {ids::CharacterTrackbar, ParameterId::Character}, {ids::DynamicsTrackbar, ParameterId::Dynamics},
        {ids::KneeTrackbar, ParameterId::Knee},         {ids::LimiterTrackbar, ParameterId::Limiter},
    };
    for (const auto& trackbar : trackbars) {
        const ParameterInfo& range = ParameterTable::Get(trackbar.parameter);
        Dialog()->SetTrackbarRange(trackbar.id, range.low, range.high);
        const int spacing = TickSpacing(range.low, range.high);
        Dialog()->SetTrackbarTicks(trackbar.id, spacing, spacing);
    }
}

void CSaturationPage::RefreshControls(int id)
{
    CPageDialog* page = Dialog();
    if (settings == nullptr || page == nullptr)
        return;
    const int a = id == NotifyCommand ? 0 : id;
    int value = 0;
    if (a == 0 || a == ids::GainTrackbar) {
        settings->get_Gain(&value);
        if (a == 0)
            page->SetTrackbarPos(ids::GainTrackbar, value);
        page->SetText(ids::GainReadout, engine.GainLevelText(value));
    }
    if (a == 0 || a == ids::LimiterTrackbar) {
        settings->get_Limiter(&value);
        if (a == 0)
            page->SetTrackbarPos(ids::LimiterTrackbar, value);
        page->SetText(ids::LimiterReadout, engine.LimiterLevelText(value));
    }
    if (a != 0)
        return;
    const struct {
        int trackbar;
        HRESULT (ISaturationSettings::*get)(int*);
    } others[] = {
        {ids::MixTrackbar, &ISaturationSettings::get_Mix},
        {ids::CharacterTrackbar, &ISaturationSettings::get_Character},
        {ids::DynamicsTrackbar, &ISaturationSettings::get_Dynamics},
        {ids::KneeTrackbar, &ISaturationSettings::get_Knee},
    };
    for (const auto& other : others) {
        (settings->*other.get)(&value);
        page->SetTrackbarPos(other.trackbar, value);
    }
    settings->get_Tube(&value);
    page->SetCheck(ids::TubeButton, value);
    page->SetImage(ids::TubeButton, ids::TubeIcon);
    settings->get_Tape(&value);
    page->SetCheck(ids::TapeButton, value);
    page->SetImage(ids::TapeButton, ids::TapeIcon);
    settings->get_Dither(&value);
    page->SetCheck(ids::DitherButton, value);
}

void CSaturationPage::OnVScroll(int id)
{
    const int pos = Dialog()->GetTrackbarPos(id);
    switch (id) {
    case ids::GainTrackbar: settings->put_Gain(pos); break;
    case ids::LimiterTrackbar: settings->put_Limiter(pos); break;
    case ids::MixTrackbar: settings->put_Mix(pos); break;
    case ids::CharacterTrackbar: settings->put_Character(pos); break;
    case ids::DynamicsTrackbar: settings->put_Dynamics(pos); break;
    case ids::KneeTrackbar: settings->put_Knee(pos); break;
    default: break;
    }
}

void CSaturationPage::OnCommand(int id)
{
    CPageDialog& page = *Dialog();
    if (id == ids::TubeButton) {
        settings->put_Tube(page.GetCheck(id));
        page.SetImage(id, ids::TubeIcon);
    } else if (id == ids::TapeButton) {
        settings->put_Tape(page.GetCheck(id));
        page.SetImage(id, ids::TapeIcon);
    } else if (id == ids::DitherButton) {
        settings->put_Dither(page.GetCheck(id));
    }
}

void CSaturationPage::OnTimer()
{
    CPageDialog* page = Dialog();
    if (settings == nullptr || page == nullptr)
        return;
    int streaming = 0;
    settings->get_Streaming(&streaming);
    if (streaming != 0) {
        blinkPhase ^= 1;
        if (page->GetCheck(ids::TubeButton))
            page->SetImage(ids::TubeButton, blinkPhase ? ids::TubeIconAlternate : ids::TubeIcon);
        if (page->GetCheck(ids::TapeButton))
            page->SetImage(ids::TapeButton, blinkPhase ? ids::TapeIconAlternate : ids::TapeIcon);
        imagesReset = false;
    } else if (!imagesReset) {
        imagesReset = true;
        page->SetImage(ids::TubeButton, ids::TubeIcon);
        page->SetImage(ids::TapeButton, ids::TapeIcon);
    }
}

void CSaturationPage::OnHelp(const HELPINFO* request)
{
    const std::string helpFile = HelpFilePath();
    const int context = request != nullptr && request->iContextType == HELPINFO_WINDOW
                            ? SaturationPageHelpContext(request->iCtrlId)
                            : 0;
    WinHelpA(dialog, helpFile.c_str(), HELP_CONTEXT, context != 0 ? context : 1);
}

void CSaturationPage::OnDestroy()
{
    if (settings != nullptr)
        settings->SetNotifyWindow(dialog, 0);
    WinHelpA(dialog, HelpFilePath().c_str(), HELP_QUIT, 0);
    Dialog()->KillTimer(ids::BlinkTimer);
}
