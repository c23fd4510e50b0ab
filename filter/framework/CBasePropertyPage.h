#pragma once

#include <functional>
#include <memory>
#include <string>

#include "filter/framework/CPageDialog.h"
#include "filter/framework/CUnknown.h"
#include "filter/framework/IPageDialogView.h"

// The IPropertyPage plumbing of a page: site, activation, showing and moving its dialog,
// connection to the objects it edits, and the route of the dialog's messages to
// OnReceiveMessage. The dialog is a CPageDialog; a toolkit draws it through the view
// that the page's view factory makes (without one the dialog is never drawn).
class CBasePropertyPage : public CUnknown, public IPropertyPage {
public:
    // Makes the view of a dialog inside the host's window parent (null: a window of its
    // own); null when parent is not a window the toolkit knows.
    using ViewFactory = std::function<std::unique_ptr<IPageDialogView>(CPageDialog& dialog, HWND parent)>;

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

    void SetViewFactory(ViewFactory factory) { viewFactory = std::move(factory); }
    // The active dialog, or null.
    CPageDialog* Dialog() const noexcept { return dialogWindow.get(); }

protected:
    // The page title (a string of at most 256 characters).
    virtual std::wstring TitleText();
    // The dialog resource; null for a page without one.
    virtual const DialogTemplate* DialogResource() const;
    // The dialog's size in pixels; false leaves the size as it was.
    bool DialogSize(SIZE* size) const;
    // A copy of the title in task memory, cut to 256 characters.
    LPOLESTR TitleInTaskMemory();

    IPropertyPageSite* pageSite = nullptr;
    HWND dialog = nullptr;
    int dirty = 0;
    int dialogId;
    int titleId;

private:
    LRESULT DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::unique_ptr<CPageDialog> dialogWindow;
    std::unique_ptr<IPageDialogView> view;
    ViewFactory viewFactory;
};
