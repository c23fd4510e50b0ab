#include "filter/framework/CBasePropertyPage.h"

#include <cwchar>
#include <new>

#include "platform/base/Interlocked.h"
#include "platform/com/ComApi.h"

CBasePropertyPage::CBasePropertyPage(LPCWSTR name, IUnknown* outer, int dialogId, int titleId) noexcept
    : CUnknown(name, outer), dialogId(dialogId), titleId(titleId)
{
}

CBasePropertyPage::~CBasePropertyPage()
{
    if (pageSite != nullptr)
        pageSite->Release();
}

HRESULT CBasePropertyPage::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_IPropertyPage))
        return GetInterface(static_cast<IPropertyPage*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

ULONG CBasePropertyPage::NonDelegatingRelease()
{
    const LONG count = InterlockedDecrement(&refCount);
    if (count > 0)
        return static_cast<ULONG>(count);
    // Kept alive while the dialog, the site and the edited objects are let go.
    refCount = 1;
    if (dialog != nullptr)
        Deactivate();
    if (pageSite != nullptr)
        SetPageSite(nullptr);
    SetObjects(0, nullptr);
    delete this;
    return 0;
}

HRESULT CBasePropertyPage::SetPageSite(IPropertyPageSite* pPageSite)
{
    if (pPageSite != nullptr) {
        if (pageSite != nullptr)
            return E_UNEXPECTED;
        pageSite = pPageSite;
        pageSite->AddRef();
        return S_OK;
    }
    if (pageSite == nullptr)
        return E_UNEXPECTED;
    pageSite->Release();
    pageSite = nullptr;
    return S_OK;
}

LRESULT CBasePropertyPage::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        dialog = window;
    return OnReceiveMessage(window, message, wParam, lParam);
}

HRESULT CBasePropertyPage::Activate(HWND hWndParent, LPCRECT pRect, BOOL)
{
    if (pRect == nullptr)
        return E_POINTER;
    if (dialog != nullptr)
        return E_UNEXPECTED;
    const DialogTemplate* resource = DialogResource();
    const DialogTemplate empty{dialogId, 0, 0, {}};
    auto procedure = [this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        return DialogProcedure(window, message, wParam, lParam);
    };
    dialogWindow.reset(new (std::nothrow) CPageDialog(resource != nullptr ? *resource : empty, procedure));
    if (!dialogWindow)
        return E_OUTOFMEMORY;
    if (viewFactory) {
        view = viewFactory(*dialogWindow, hWndParent);
        if (!view) {
            dialogWindow.reset();
            return E_OUTOFMEMORY;
        }
        dialogWindow->AttachView(view.get());
    }
    dialogWindow->SendMessage(WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(this));
    dialogWindow->SetExStyle(dialogWindow->ExStyle() | WS_EX_CONTROLPARENT);
    OnActivate();
    Move(pRect);
    return Show(SW_SHOWNORMAL);
}

HRESULT CBasePropertyPage::Deactivate()
{
    if (dialog == nullptr)
        return E_UNEXPECTED;
    dialogWindow->SetExStyle(dialogWindow->ExStyle() & ~WS_EX_CONTROLPARENT);
    OnDeactivate();
    dialogWindow->SendMessage(WM_DESTROY, 0, 0);
    dialogWindow->AttachView(nullptr);
    view.reset();
    dialogWindow.reset();
    dialog = nullptr;
    return S_OK;
}

LPOLESTR CBasePropertyPage::TitleInTaskMemory()
{
    std::wstring title = TitleText();
    if (title.size() > 256)
        title.resize(256);
    auto* text = static_cast<LPOLESTR>(CoTaskMemAlloc((title.size() + 1) * sizeof(OLECHAR)));
    if (text != nullptr)
        std::wmemcpy(text, title.c_str(), title.size() + 1);
    return text;
}

HRESULT CBasePropertyPage::GetPageInfo(PROPPAGEINFO* pPageInfo)
{
    if (pPageInfo == nullptr)
        return E_POINTER;
    LPOLESTR text = TitleInTaskMemory();
    if (text == nullptr)
        return E_OUTOFMEMORY;
    pPageInfo->cb = sizeof(PROPPAGEINFO);
    pPageInfo->pszTitle = text;
    pPageInfo->size = SIZE{340, 150};
    DialogSize(&pPageInfo->size);
    pPageInfo->pszDocString = nullptr;
    pPageInfo->pszHelpFile = nullptr;
    pPageInfo->dwHelpContext = 0;
    return S_OK;
}

bool CBasePropertyPage::DialogSize(SIZE* size) const
{
    const DialogTemplate* resource = DialogResource();
    if (resource == nullptr)
        return false;
    *size = CPageDialog::PixelSize(*resource);
    return true;
}

HRESULT CBasePropertyPage::SetObjects(ULONG cObjects, IUnknown** ppUnk)
{
    if (cObjects == 1) {
        if (ppUnk == nullptr || ppUnk[0] == nullptr)
            return E_POINTER;
        return OnConnect(ppUnk[0]);
    }
    if (cObjects == 0)
        return OnDisconnect();
    return E_UNEXPECTED;
}

HRESULT CBasePropertyPage::Show(UINT nCmdShow)
{
    if (dialog == nullptr)
        return E_UNEXPECTED;
    if (nCmdShow != SW_HIDE && nCmdShow != SW_SHOWNORMAL && nCmdShow != SW_SHOW)
        return E_INVALIDARG;
    dialogWindow->Place(nCmdShow != SW_HIDE, dialogWindow->Rect());
    return S_OK;
}

HRESULT CBasePropertyPage::Move(LPCRECT pRect)
{
    if (pRect == nullptr)
        return E_POINTER;
    if (dialog == nullptr)
        return E_UNEXPECTED;
    dialogWindow->Place(dialogWindow->IsVisible(), *pRect);
    return S_OK;
}

HRESULT CBasePropertyPage::IsPageDirty()
{
    return dirty ? S_OK : S_FALSE;
}

HRESULT CBasePropertyPage::Apply()
{
    if (dialog == nullptr || pageSite == nullptr)
        return E_UNEXPECTED;
    if (dirty == 0)
        return S_OK;
    const HRESULT hr = OnApplyChanges();
    if (SUCCEEDED(hr))
        dirty = 0;
    return hr;
}

HRESULT CBasePropertyPage::Help(LPCOLESTR)
{
    return E_NOTIMPL;
}

HRESULT CBasePropertyPage::TranslateAccelerator(MSG*)
{
    return E_NOTIMPL;
}

HRESULT CBasePropertyPage::OnConnect(IUnknown*)
{
    return S_OK;
}

HRESULT CBasePropertyPage::OnDisconnect()
{
    return S_OK;
}

HRESULT CBasePropertyPage::OnActivate()
{
    return S_OK;
}

HRESULT CBasePropertyPage::OnDeactivate()
{
    return S_OK;
}

HRESULT CBasePropertyPage::OnApplyChanges()
{
    return S_OK;
}

LRESULT CBasePropertyPage::OnReceiveMessage(HWND, UINT, WPARAM, LPARAM)
{
    return 1;
}

std::wstring CBasePropertyPage::TitleText()
{
    return std::wstring();
}

const DialogTemplate* CBasePropertyPage::DialogResource() const
{
    return nullptr;
}
