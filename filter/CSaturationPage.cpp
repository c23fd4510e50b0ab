#include "filter/CSaturationPage.h"

#include <new>

CUnknown* CSaturationPage::CreateInstance(IUnknown* outer, HRESULT* phr)
{
    auto* page = new (std::nothrow) CSaturationPage(outer, phr);
    if (page == nullptr && phr != nullptr)
        *phr = E_OUTOFMEMORY;
    return page;
}

CSaturationPage::CSaturationPage(IUnknown* outer, HRESULT*) noexcept
    : CBasePropertyPage(L"Calyrix by Quorel Property Page", outer, 101, 1)
{
}

std::wstring CSaturationPage::TitleText()
{
    return L"Calyrix";
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
    if (dialog != nullptr)
        settings->SetNotifyWindow(dialog, NotifyCommand);
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
    if (settings != nullptr) {
        if (message == WM_INITDIALOG)
            settings->SetNotifyWindow(window, NotifyCommand);
        else if (message == WM_DESTROY)
            settings->SetNotifyWindow(window, 0);
        else if (message == WM_COMMAND && LOWORD(wParam) == NotifyCommand)
            ++formatChanges;
    }
    return CBasePropertyPage::OnReceiveMessage(window, message, wParam, lParam);
}
