#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "filter/CSaturationPage.h"
#include "filter/SaturationPageResources.h"
#include "platform/com/ComApi.h"
#include "platform/help/WinHelp.h"
#include "tests/filter/FilterTestSupport.h"

namespace ids = SaturationPageIds;

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

// A view that only records what the page asks of the toolkit.
class RecordingView final : public IPageDialogView {
public:
    void ControlChanged(int) override { ++changes; }
    void Place(bool, const RECT&) override { ++placed; }
    void SetTimer(UINT, UINT) override {}
    void KillTimer(UINT) override {}
    void SetFocus(int) override {}
    int changes = 0;
    int placed = 0;
};

CSaturationPage* NewPage()
{
    HRESULT hr = S_OK;
    CUnknown* page = CSaturationPage::CreateInstance(nullptr, &hr);
    page->NonDelegatingAddRef();
    return static_cast<CSaturationPage*>(page);
}

const RECT kWhere{0, 0, 366, 335};

// A page on the fixture's filter, activated.
struct OpenPage {
    FilterGraphFixture g{MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(std::vector<int>(4096))), false};
    CSaturationPage* page = NewPage();

    explicit OpenPage(int displayColours = -1)
    {
        page->SetViewFactory([displayColours](CPageDialog& dialog, HWND) {
            dialog.SetDisplayColours(displayColours);
            return std::make_unique<RecordingView>();
        });
        IUnknown* objects[] = {g.filter->GetOwner()};
        EXPECT_EQ(page->SetObjects(1, objects), S_OK);
        EXPECT_EQ(page->Activate(nullptr, &kWhere, FALSE), S_OK);
    }
    ~OpenPage() { page->Release(); }
    CPageDialog& Dialog() { return *page->Dialog(); }
    int Get(HRESULT (ISaturationSettings::*get)(int*))
    {
        int value = 0;
        (g.Settings()->*get)(&value);
        return value;
    }
};

} // namespace

TEST(PropertyPage, SiteActivationShowAndMoveRules)
{
    CSaturationPage* page = NewPage();
    FakeSite site;
    EXPECT_EQ(page->SetPageSite(nullptr), E_UNEXPECTED);
    EXPECT_EQ(page->SetPageSite(&site), S_OK);
    EXPECT_EQ(page->SetPageSite(&site), E_UNEXPECTED);
    EXPECT_EQ(site.refs, 1);

    const RECT where{10, 20, 310, 170};
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
    EXPECT_EQ(page->Move(&where), E_UNEXPECTED);
    EXPECT_EQ(page->Apply(), E_UNEXPECTED);
    EXPECT_EQ(page->Deactivate(), E_UNEXPECTED);
    EXPECT_EQ(page->Activate(nullptr, nullptr, FALSE), E_POINTER);
    ASSERT_EQ(page->Activate(nullptr, &where, FALSE), S_OK);
    CPageDialog* dialog = page->Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->IsVisible());
    EXPECT_EQ(dialog->Rect().right, 310);
    EXPECT_EQ(dialog->ExStyle() & WS_EX_CONTROLPARENT, WS_EX_CONTROLPARENT);
    EXPECT_EQ(page->Activate(nullptr, &where, FALSE), E_UNEXPECTED);
    EXPECT_EQ(page->Show(7), E_INVALIDARG);
    EXPECT_EQ(page->Show(SW_HIDE), S_OK);
    EXPECT_FALSE(dialog->IsVisible());
    EXPECT_EQ(page->Move(nullptr), E_POINTER);
    const RECT moved{5, 6, 105, 206};
    EXPECT_EQ(page->Move(&moved), S_OK);
    EXPECT_EQ(dialog->Rect().bottom, 206);
    EXPECT_FALSE(dialog->IsVisible());
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(page->Help(nullptr), E_NOTIMPL);
    EXPECT_EQ(page->TranslateAccelerator(nullptr), E_NOTIMPL);
    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_EQ(page->Dialog(), nullptr);

    // A failing view leaves the page inactive.
    page->SetViewFactory([](CPageDialog&, HWND) { return std::unique_ptr<IPageDialogView>(); });
    EXPECT_EQ(page->Activate(nullptr, &where, FALSE), E_OUTOFMEMORY);
    EXPECT_EQ(page->Dialog(), nullptr);

    // The last release lets go of the site; the count never answers 0 while alive.
    EXPECT_EQ(page->AddRef(), 2u);
    page->Release();
    page->Release();
    EXPECT_EQ(site.refs, 0);
}

TEST(PropertyPage, PageInfoGivesTitleSizeAndHelp)
{
    CSaturationPage* page = NewPage();
    PROPPAGEINFO info{};
    EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(info.cb, sizeof(PROPPAGEINFO));
    EXPECT_STREQ(info.pszTitle, L"Calyrix");
    // 244 x 206 dialog units at 6 x 13 base units.
    EXPECT_EQ(info.size.cx, 366);
    EXPECT_EQ(info.size.cy, 335);
    EXPECT_EQ(info.pszDocString, nullptr);
    const std::string help = OleToUtf8(info.pszHelpFile);
    EXPECT_EQ(help, CSaturationPage::HelpFilePath());
    EXPECT_TRUE(help.ends_with("/EmbrelAM.hlp")) << help;
    EXPECT_EQ(help[0], '/');
    EXPECT_EQ(info.dwHelpContext, 1u);
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszHelpFile);
    page->Release();
}

TEST(PropertyPage, OpensOnTheFiltersSettingsWithTheEnginesRanges)
{
    OpenPage p;
    CPageDialog& d = p.Dialog();
    struct Expected {
        int id, low, high, spacing, pos;
    } expected[] = {
        {ids::GainTrackbar, -2000, 0, 200, -1000},      {ids::MixTrackbar, -1000, 5000, 600, 999},
        {ids::CharacterTrackbar, -1000, 5000, 600, 1000}, {ids::DynamicsTrackbar, -1000, -1, 100, -250},
        {ids::KneeTrackbar, -5000, 5000, 1000, 0},      {ids::LimiterTrackbar, -1000, -250, 75, -1000},
    };
    for (const Expected& e : expected) {
        const DialogControl* c = d.Control(e.id);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->low, e.low) << e.id;
        EXPECT_EQ(c->high, e.high) << e.id;
        EXPECT_EQ(c->tickFrequency, e.spacing) << e.id;
        EXPECT_EQ(c->pageSize, e.spacing) << e.id;
        EXPECT_EQ(c->pos, e.pos) << e.id;
    }
    EXPECT_EQ(d.Control(ids::GainReadout)->text, "0.0 dB");
    EXPECT_EQ(d.Control(ids::LimiterReadout)->text, "0.0 dB");
    for (int id : {ids::TubeButton, ids::TapeButton, ids::DitherButton})
        EXPECT_EQ(d.GetCheck(id), 1) << id;
    EXPECT_EQ(d.Control(ids::TubeButton)->image, ids::TubeIcon);
    EXPECT_EQ(d.Control(ids::TapeButton)->image, ids::TapeIcon);
    EXPECT_EQ(d.Control(ids::Banner)->image, ids::BannerBitmap);
    EXPECT_EQ(d.PageColour(), 0x02FF9999u);
    EXPECT_EQ(d.TrackbarColour(), 0xC0C0C0u);
    EXPECT_EQ(d.LabelFont().face, "Franklin Gothic Medium Cond");
    EXPECT_EQ(d.LabelFont().height, 18);
    EXPECT_TRUE(d.Control(ids::LimiterReadout)->labelFont);
    EXPECT_FALSE(d.Control(ids::DitherButton)->labelFont);
    EXPECT_EQ(d.TimerPeriod(ids::BlinkTimer), 600u);
}

TEST(PropertyPage, SixteenColourDisplayIsGreyWithTheSmallBanner)
{
    OpenPage p(16);
    EXPECT_EQ(p.Dialog().PageColour(), 0xC0C0C0u);
    EXPECT_EQ(p.Dialog().Control(ids::Banner)->image, ids::BannerBitmap16);
}

TEST(PropertyPage, TrackbarMovesReachTheFilterAndTheReadouts)
{
    OpenPage p;
    CPageDialog& d = p.Dialog();
    d.UserMovedTrackbar(ids::GainTrackbar, -2000, false);
    EXPECT_EQ(p.Get(&ISaturationSettings::get_Gain), -2000);
    EXPECT_EQ(d.Control(ids::GainReadout)->text, "6.0 dB");
    d.UserMovedTrackbar(ids::GainTrackbar, 0, true);
    EXPECT_EQ(d.Control(ids::GainReadout)->text, "-Inf dB");
    d.UserMovedTrackbar(ids::LimiterTrackbar, -250, true);
    EXPECT_EQ(p.Get(&ISaturationSettings::get_Limiter), -250);
    EXPECT_EQ(d.Control(ids::LimiterReadout)->text, "-12.0 dB");

    const struct {
        int id;
        HRESULT (ISaturationSettings::*get)(int*);
    } others[] = {{ids::MixTrackbar, &ISaturationSettings::get_Mix},
                  {ids::CharacterTrackbar, &ISaturationSettings::get_Character},
                  {ids::DynamicsTrackbar, &ISaturationSettings::get_Dynamics},
                  {ids::KneeTrackbar, &ISaturationSettings::get_Knee}};
    for (const auto& other : others) {
        d.UserMovedTrackbar(other.id, -700, true);
        EXPECT_EQ(p.Get(other.get), -700) << other.id;
    }
    // A position outside the range is clamped by the trackbar before it is sent.
    d.UserMovedTrackbar(ids::DynamicsTrackbar, 40, true);
    EXPECT_EQ(p.Get(&ISaturationSettings::get_Dynamics), -1);
    EXPECT_EQ(d.Focus(), 0);
}

TEST(PropertyPage, SwitchesReachTheFilterAndTakeTheFocusAway)
{
    OpenPage p;
    CPageDialog& d = p.Dialog();
    d.UserClicked(ids::TubeButton);
    EXPECT_EQ(p.Get(&ISaturationSettings::get_Tube), 0);
    d.UserClicked(ids::TapeButton);
    EXPECT_EQ(p.Get(&ISaturationSettings::get_Tape), 0);
    d.UserClicked(ids::DitherButton);
    EXPECT_EQ(p.Get(&ISaturationSettings::get_Dither), 0);
    EXPECT_EQ(d.Focus(), ids::FocusButton);
    d.UserClicked(ids::TubeButton);
    EXPECT_EQ(p.Get(&ISaturationSettings::get_Tube), 1);
    EXPECT_EQ(d.Control(ids::TubeButton)->image, ids::TubeIcon);

    // Without a connection the page ignores the user.
    ASSERT_EQ(p.page->SetObjects(0, nullptr), S_OK);
    d.UserClicked(ids::TubeButton);
    d.UserMovedTrackbar(ids::GainTrackbar, -1500, true);
    EXPECT_EQ(p.Get(&ISaturationSettings::get_Tube), 1);
    EXPECT_EQ(p.Get(&ISaturationSettings::get_Gain), -1000);
}

TEST(PropertyPage, PutFromAnotherThreadShowsAfterTheNotification)
{
    OpenPage p;
    std::thread other([&] {
        p.g.Settings()->put_Mix(3000);
        p.g.Settings()->put_Gain(-2000);
        p.g.Settings()->put_Tape(0);
        p.g.filter->Settings().Notify(0);
    });
    other.join();
    EXPECT_EQ(p.Dialog().GetTrackbarPos(ids::MixTrackbar), 999);  // not before the message is handled
    EXPECT_GE(p.Dialog().PumpMessages(), 1);
    EXPECT_EQ(p.Dialog().GetTrackbarPos(ids::MixTrackbar), 3000);
    EXPECT_EQ(p.Dialog().GetTrackbarPos(ids::GainTrackbar), -2000);
    EXPECT_EQ(p.Dialog().Control(ids::GainReadout)->text, "6.0 dB");
    EXPECT_EQ(p.Dialog().GetCheck(ids::TapeButton), 0);
}

TEST(PropertyPage, SwitchesThatAreOnBlinkOnlyWhileStreaming)
{
    OpenPage p;
    CPageDialog& d = p.Dialog();
    d.UserClicked(ids::TapeButton);  // tape off, tube on
    auto tick = [&] { d.SendMessage(WM_TIMER, ids::BlinkTimer, 0); };
    tick();
    EXPECT_EQ(d.Control(ids::TubeButton)->image, ids::TubeIcon);

    ASSERT_EQ(p.g.Connect(), S_OK);
    ASSERT_EQ(p.g.graph->Pause(), S_OK);
    tick();
    EXPECT_EQ(d.Control(ids::TubeButton)->image, ids::TubeIconAlternate);
    EXPECT_EQ(d.Control(ids::TapeButton)->image, ids::TapeIcon);
    tick();
    EXPECT_EQ(d.Control(ids::TubeButton)->image, ids::TubeIcon);
    tick();
    EXPECT_EQ(d.Control(ids::TubeButton)->image, ids::TubeIconAlternate);
    // Switching tube off while streaming stops its blinking on the resting icon.
    d.UserClicked(ids::TubeButton);
    EXPECT_EQ(d.Control(ids::TubeButton)->image, ids::TubeIcon);
    tick();
    tick();
    EXPECT_EQ(d.Control(ids::TubeButton)->image, ids::TubeIcon);

    d.UserClicked(ids::TubeButton);
    tick();
    if (d.Control(ids::TubeButton)->image != ids::TubeIconAlternate)
        tick();
    ASSERT_EQ(p.g.graph->Stop(), S_OK);
    ASSERT_EQ(d.Control(ids::TubeButton)->image, ids::TubeIconAlternate);
    tick();
    EXPECT_EQ(d.Control(ids::TubeButton)->image, ids::TubeIcon);
}

TEST(PropertyPage, TwoPagesStopBlinkingEachOnItsOwn)
{
    OpenPage a;
    OpenPage b;
    ASSERT_EQ(b.g.Connect(), S_OK);
    ASSERT_EQ(b.g.graph->Pause(), S_OK);
    b.Dialog().SendMessage(WM_TIMER, ids::BlinkTimer, 0);
    ASSERT_EQ(b.Dialog().Control(ids::TubeButton)->image, ids::TubeIconAlternate);
    ASSERT_EQ(b.g.graph->Stop(), S_OK);
    // The idle page ticks first; the other still puts its resting icons back.
    a.Dialog().SendMessage(WM_TIMER, ids::BlinkTimer, 0);
    b.Dialog().SendMessage(WM_TIMER, ids::BlinkTimer, 0);
    EXPECT_EQ(b.Dialog().Control(ids::TubeButton)->image, ids::TubeIcon);
    EXPECT_EQ(b.Dialog().Control(ids::TapeButton)->image, ids::TapeIcon);
}

TEST(PropertyPage, ConnectAndDisconnectInEveryOrder)
{
    FilterGraphFixture g(MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(std::vector<int>(64))), false);
    FilterGraphFixture other(MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(std::vector<int>(64))), false);
    IUnknown* objects[] = {g.filter->GetOwner()};
    IUnknown* otherObjects[] = {other.filter->GetOwner()};
    IUnknown* nothing[] = {nullptr};
    // Both slots of a filter are free again exactly when the page has let go of them.
    auto slotsFree = [](FilterGraphFixture& f) {
        MessageWindow w1(nullptr), w2(nullptr);
        ISaturationSettings* s = f.Settings();
        const bool free = s->SetNotifyWindow(w1.GetSafeHwnd(), 5) == S_OK && s->SetNotifyWindow(w2.GetSafeHwnd(), 5) == S_OK;
        s->SetNotifyWindow(w1.GetSafeHwnd(), 0);
        s->SetNotifyWindow(w2.GetSafeHwnd(), 0);
        return free;
    };

    CSaturationPage* page = NewPage();
    EXPECT_EQ(page->SetObjects(1, nothing), E_POINTER);
    EXPECT_EQ(page->SetObjects(1, nullptr), E_POINTER);
    EXPECT_EQ(page->SetObjects(2, objects), E_UNEXPECTED);
    EXPECT_EQ(page->SetObjects(0, nullptr), E_UNEXPECTED);
    IUnknown* renderer[] = {static_cast<IBaseFilter*>(g.renderer)};
    EXPECT_EQ(page->SetObjects(1, renderer), E_NOINTERFACE);

    // Connect, activate, deactivate, disconnect.
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    EXPECT_TRUE(slotsFree(g));
    ASSERT_EQ(page->Activate(nullptr, &kWhere, FALSE), S_OK);
    EXPECT_FALSE(slotsFree(g));
    ASSERT_EQ(page->Deactivate(), S_OK);
    EXPECT_TRUE(slotsFree(g));
    ASSERT_EQ(page->SetObjects(0, nullptr), S_OK);

    // Activate, connect (refreshes), connect elsewhere (drops the first), disconnect, deactivate.
    g.Settings()->put_Knee(2500);
    ASSERT_EQ(page->Activate(nullptr, &kWhere, FALSE), S_OK);
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    EXPECT_EQ(page->Dialog()->GetTrackbarPos(ids::KneeTrackbar), 2500);
    EXPECT_FALSE(slotsFree(g));
    ASSERT_EQ(page->SetObjects(1, otherObjects), S_OK);
    EXPECT_TRUE(slotsFree(g));
    EXPECT_FALSE(slotsFree(other));
    EXPECT_EQ(page->Dialog()->GetTrackbarPos(ids::KneeTrackbar), 0);
    ASSERT_EQ(page->SetObjects(0, nullptr), S_OK);
    EXPECT_TRUE(slotsFree(other));
    EXPECT_EQ(page->SetObjects(0, nullptr), E_UNEXPECTED);
    ASSERT_EQ(page->Deactivate(), S_OK);

    // Released while active and connected: the dialog and the filter are let go.
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    ASSERT_EQ(page->Activate(nullptr, &kWhere, FALSE), S_OK);
    page->Release();
    EXPECT_TRUE(slotsFree(g));
}

TEST(PropertyPage, F1OpensTheHelpTopicOfTheControl)
{
    std::vector<std::string> opened;
    HelpOpener previous = SetHelpOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    {
        OpenPage p;
        for (int id : {ids::KneeTrackbar, ids::GainTrackbar, ids::MixTrackbar, ids::DitherButton, ids::Banner, -1})
            p.Dialog().UserAskedHelp(id);
        p.Dialog().SendMessage(WM_HELP, 0, 0);
    }
    SetHelpOpener(previous);
    ASSERT_EQ(opened.size(), 7u);
    const char* pages[] = {"/4.html", "/2.html", "/3.html", "/5.html", "/1.html", "/1.html", "/1.html"};
    for (std::size_t i = 0; i < opened.size(); ++i) {
        EXPECT_TRUE(opened[i].ends_with(pages[i])) << opened[i];
        EXPECT_NE(opened[i].find("/EmbrelAM.hlp/"), std::string::npos) << opened[i];
    }
}
