#pragma once

#include <memory>
#include <string>

#include "filter/framework/CUnknown.h"
#include "platform/base/MessageWindow.h"

constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT SW_HIDE = 0;
constexpr UINT SW_SHOWNORMAL = 1;
constexpr UINT SW_SHOW = 5;

// The IPropertyPage plumbing of a page: site, activation, showing and moving its dialog,
// connection to the objects it edits, and the route of the dialog's messages to
// OnReceiveMessage. The dialog here is a message window; a page drawn by a toolkit
// replaces the dialog operations.
class CBasePropertyPage : public CUnknown, public IPropertyPage {
public:
    CBasePropertyPage(LPCWSTR name, IUnknown* outer, int dialogId, int titleId) noexcept;
    ~CBasePropertyPage() override;

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG NonDelegatingRelease() override;

    HRESULT SetPageSite(IPropertyPageSite* pPageSite) override;
    HRESULT Activate(HWND hWndParent, LPCRECT pRect, BOOL bModal) override;
    HRESULT Deactivate() override;
    HRESULT GetPageInfo(PROPPAGEINFO* pPageInfo) override;
    HRESULT SetObjects(ULONG cObjects, IUnknown** ppUnk) override;
    HRESULT Show(UINT nCmdShow) override;
    HRESULT Move(LPCRECT pRect) override;
    HRESULT IsPageDirty() override;
    HRESULT Apply() override;
    HRESULT Help(LPCOLESTR pszHelpDir) override;
    HRESULT TranslateAccelerator(MSG* pMsg) override;

    virtual HRESULT OnConnect(IUnknown* object);
    virtual HRESULT OnDisconnect();
    virtual HRESULT OnActivate();
    virtual HRESULT OnDeactivate();
    virtual HRESULT OnApplyChanges();
    virtual LRESULT OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND DialogWindow() const noexcept { return dialog; }
    bool IsDialogVisible() const noexcept { return visible; }
    const RECT& DialogRect() const noexcept { return rect; }
    // Hands queued dialog messages to OnReceiveMessage; returns the count.
    int PumpDialogMessages();

protected:
    // The page title (a string of at most 256 characters).
    virtual std::wstring TitleText();
    // The dialog's size in pixels; false leaves the default size.
    virtual bool DialogSize(SIZE* size);

    void SetDirty(bool isDirty) noexcept { dirty = isDirty ? 1 : 0; }

    IPropertyPageSite* pageSite = nullptr;
    HWND dialog = nullptr;
    int dirty = 0;
    int dialogId;
    int titleId;

private:
    std::unique_ptr<MessageWindow> window;
    bool visible = false;
    RECT rect{};
};
