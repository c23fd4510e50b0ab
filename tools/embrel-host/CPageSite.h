#pragma once

#include "filter/framework/MediaInterfaces.h"

// The frame's side of a property page: the page reports its status here.
class CPageSite final : public IPropertyPageSite {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT OnStatusChange(DWORD dwFlags) override;
    HRESULT GetLocaleID(LCID* pLocaleID) override;
    HRESULT GetPageContainer(IUnknown** ppUnk) override;
    HRESULT TranslateAccelerator(MSG* pMsg) override;

    // References the page holds; the site itself lives as long as its host.
    LONG References() const noexcept { return references; }

private:
    LONG references = 0;
};
