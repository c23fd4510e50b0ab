#include <gtest/gtest.h>

#include "filter/CSaturationPage.h"
#include "platform/com/ComApi.h"
#include "tests/filter/FilterTestSupport.h"

namespace {

class FakeSite final : public IPropertyPageSite {
public:
    HRESULT QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG Release() override { return static_cast<ULONG>(--refs); }
    HRESULT OnStatusChange(DWORD) override { return S_OK; }
    HRESULT GetLocaleID(LCID*) override { return E_NOTIMPL; }
    HRESULT GetPageContainer(IUnknown**) override { return E_NOTIMPL; }
    HRESULT TranslateAccelerator(MSG*) override { return E_NOTIMPL; }
    int refs = 0;
};

IPropertyPage* NewPage()
{
    HRESULT hr = S_OK;
    CUnknown* page = CSaturationPage::CreateInstance(nullptr, &hr);
    void* out = nullptr;
    page->NonDelegatingQueryInterface(IID_IPropertyPage, &out);
    return static_cast<IPropertyPage*>(out);
}

} // namespace

TEST(PropertyPage, SiteActivationAndShowRules)
{
    IPropertyPage* page = NewPage();
    FakeSite site;
    EXPECT_EQ(page->SetPageSite(nullptr), E_UNEXPECTED);
    EXPECT_EQ(page->SetPageSite(&site), S_OK);
    EXPECT_EQ(page->SetPageSite(&site), E_UNEXPECTED);
    EXPECT_EQ(site.refs, 1);

    const RECT where{10, 20, 310, 170};
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
    EXPECT_EQ(page->Apply(), E_UNEXPECTED);
    EXPECT_EQ(page->Activate(nullptr, nullptr, FALSE), E_POINTER);
    ASSERT_EQ(page->Activate(nullptr, &where, FALSE), S_OK);
    auto* base = static_cast<CSaturationPage*>(static_cast<CBasePropertyPage*>(page));
    EXPECT_TRUE(base->IsDialogVisible());
    EXPECT_EQ(base->DialogRect().right, 310);
    EXPECT_EQ(page->Activate(nullptr, &where, FALSE), E_UNEXPECTED);
    EXPECT_EQ(page->Show(7), E_INVALIDARG);
    EXPECT_EQ(page->Show(SW_HIDE), S_OK);
    EXPECT_FALSE(base->IsDialogVisible());
    EXPECT_EQ(page->Move(nullptr), E_POINTER);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_EQ(page->Deactivate(), E_UNEXPECTED);

    PROPPAGEINFO info{};
    EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_STREQ(info.pszTitle, L"Calyrix");
    EXPECT_EQ(info.size.cx, 340);
    CoTaskMemFree(info.pszTitle);

    // The last release lets go of the site.
    page->Release();
    EXPECT_EQ(site.refs, 0);
}

TEST(PropertyPage, ConnectsToTheFilterAndHearsFormatChanges)
{
    FilterGraphFixture g(MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(std::vector<int>(64))), false);
    IPropertyPage* page = NewPage();
    auto* saturationPage = static_cast<CSaturationPage*>(static_cast<CBasePropertyPage*>(page));
    IUnknown* objects[] = {g.filter->GetOwner()};
    IUnknown* nothing[] = {nullptr};
    EXPECT_EQ(page->SetObjects(1, nothing), E_POINTER);
    EXPECT_EQ(page->SetObjects(2, objects), E_UNEXPECTED);
    EXPECT_EQ(page->SetObjects(0, nullptr), E_UNEXPECTED);
    IUnknown* renderer[] = {static_cast<IBaseFilter*>(g.renderer)};
    EXPECT_EQ(page->SetObjects(1, renderer), E_NOINTERFACE);
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    const RECT where{0, 0, 300, 150};
    ASSERT_EQ(page->Activate(nullptr, &where, FALSE), S_OK);

    ASSERT_EQ(g.Connect(), S_OK);
    saturationPage->PumpDialogMessages();
    EXPECT_GE(saturationPage->FormatChanges(), 2);

    // After deactivation the dialog is no longer told.
    ASSERT_EQ(page->Deactivate(), S_OK);
    const int before = saturationPage->FormatChanges();
    g.graph->Disconnect(PinOf(g.filter, 1));
    g.graph->Disconnect(PinOf(g.renderer, 0));
    ASSERT_EQ(g.graph->ConnectDirect(PinOf(g.filter, 1), PinOf(g.renderer, 0), nullptr), S_OK);
    EXPECT_EQ(saturationPage->FormatChanges(), before);
    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
    page->Release();
}
