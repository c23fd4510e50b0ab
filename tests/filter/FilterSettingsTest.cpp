#include <cstring>

#include <gtest/gtest.h>

#include "filter/CFilterSettings.h"
#include "platform/base/MessageWindow.h"
#include "platform/com/ComApi.h"
#include "tests/filter/FilterTestSupport.h"

namespace {

struct NewFilter {
    CSaturationFilter* filter;
    NewFilter()
    {
        HRESULT hr = S_OK;
        filter = static_cast<CSaturationFilter*>(CSaturationFilter::CreateInstance(nullptr, &hr));
        filter->NonDelegatingAddRef();
    }
    ~NewFilter() { filter->Release(); }
    CFilterSettings& settings() { return filter->Settings(); }
    template <class I>
    I* Query(REFIID iid)
    {
        void* out = nullptr;
        EXPECT_EQ(filter->NonDelegatingQueryInterface(iid, &out), S_OK);
        return static_cast<I*>(out);
    }
};

std::vector<BYTE> Contents(IStream* stream)
{
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::vector<BYTE> bytes(static_cast<std::size_t>(stat.cbSize.QuadPart));
    stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);
    return bytes;
}

const SaturationSettings kDefaults{-1000, 1, 999, 1000, -250, 1, 0, -1000, 1};

} // namespace

TEST(FilterSettings, NewFilterStartsFromPresetZeroDirtyAndAllChanged)
{
    NewFilter f;
    SaturationSettings s{};
    ASSERT_EQ(f.settings().GetSettings(&s), S_OK);
    EXPECT_EQ(s, kDefaults);
    auto* persist = f.Query<IPersistStream>(IID_IPersistStream);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    ULARGE_INTEGER size{};
    EXPECT_EQ(persist->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, 56u);
    CLSID clsid{};
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_SaturationFilter);
    persist->Release();
    int streaming = 1;
    EXPECT_EQ(f.settings().get_Streaming(&streaming), S_OK);
    EXPECT_EQ(streaming, 0);
    BYTE format[20];
    EXPECT_EQ(f.settings().GetWaveFormat(format), VFW_E_NOT_CONNECTED);
}

TEST(FilterSettings, PutsClampIntoTheSliderRanges)
{
    NewFilter f;
    ISaturationSettings& s = f.settings();
    int v = 0;
    s.put_Gain(-3000);
    s.get_Gain(&v);
    EXPECT_EQ(v, -2000);
    s.put_Gain(500);
    s.get_Gain(&v);
    EXPECT_EQ(v, 0);
    s.put_Limiter(0);
    s.get_Limiter(&v);
    EXPECT_EQ(v, -250);
    s.put_Dynamics(0);
    s.get_Dynamics(&v);
    EXPECT_EQ(v, -1);
    s.put_Tube(5);
    s.get_Tube(&v);
    EXPECT_EQ(v, 1);
    s.put_Tube(-2);
    s.get_Tube(&v);
    EXPECT_EQ(v, 0);
    s.put_Knee(-99999);
    s.get_Knee(&v);
    EXPECT_EQ(v, ParameterTable::Get(ParameterId::Knee).low);
    const SaturationSettings wild{99999, 7, -99999, 99999, 5, -3, 99999, -99999, 2};
    ASSERT_EQ(s.PutSettings(&wild), S_OK);
    SaturationSettings got{};
    s.GetSettings(&got);
    const SaturationSettings clamped{0, 1, -1000, 5000, -1, 0, 5000, -1000, 1};
    EXPECT_EQ(got, clamped);
    EXPECT_EQ(s.get_Gain(nullptr), E_POINTER);
}

TEST(FilterSettings, DirtyAndChangeRecordFollowEffectivePutsOnly)
{
    NewFilter f;
    CFilterSettings& s = f.settings();
    auto* persist = f.Query<IPersistStream>(IID_IPersistStream);
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnMemory(nullptr, 0, &stream), S_OK);
    ASSERT_EQ(persist->Save(stream, FALSE), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    ASSERT_EQ(persist->Save(stream, TRUE), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);

    // A put of the stored value changes nothing.
    s.put_Gain(-1000);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    s.put_Gain(-1200);
    EXPECT_EQ(persist->IsDirty(), S_OK);

    // PutSettings with the stored values still marks everything.
    persist->Save(stream, TRUE);
    SaturationSettings same{};
    s.GetSettings(&same);
    s.PutSettings(&same);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    stream->Release();
    persist->Release();
}

TEST(FilterSettings, SaveLoadRoundTripAndRecordLayout)
{
    NewFilter a;
    a.settings().put_Gain(-1500);
    a.settings().put_Knee(1234);
    auto* persist = a.Query<IPersistStream>(IID_IPersistStream);
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnMemory(nullptr, 0, &stream), S_OK);
    ASSERT_EQ(persist->Save(stream, TRUE), S_OK);
    const std::vector<BYTE> bytes = Contents(stream);
    ASSERT_EQ(bytes.size(), 56u);
    const BYTE start[] = {0x38, 0, 0, 0, 0x83, 0x99, 0xA3, 0x5B, 0x30, 0x84, 0xD1, 0x11, 0x9F, 0xD4, 0x44, 0x45, 0x53, 0x54, 0, 0};
    EXPECT_EQ(std::memcmp(bytes.data(), start, sizeof start), 0);
    int gain = 0;
    std::memcpy(&gain, &bytes[20], 4);
    EXPECT_EQ(gain, -1500);

    NewFilter b;
    auto* loader = b.Query<IPersistStream>(IID_IPersistStream);
    ASSERT_EQ(loader->Load(stream), S_OK);
    SaturationSettings sa{}, sb{};
    a.settings().GetSettings(&sa);
    b.settings().GetSettings(&sb);
    EXPECT_EQ(sa, sb);
    stream->Release();
    loader->Release();
    persist->Release();
}

TEST(FilterSettings, MalformedRecordsAreRefusedAndChangeNothing)
{
    NewFilter good;
    auto* saver = good.Query<IPersistStream>(IID_IPersistStream);
    good.settings().put_Mix(4000);
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnMemory(nullptr, 0, &stream), S_OK);
    saver->Save(stream, FALSE);
    const std::vector<BYTE> record = Contents(stream);
    stream->Release();
    saver->Release();

    NewFilter f;
    auto* persist = f.Query<IPersistStream>(IID_IPersistStream);
    const auto loadOf = [&](std::vector<BYTE> bytes) {
        IStream* s = nullptr;
        CreateStreamOnMemory(bytes.data(), static_cast<ULONG>(bytes.size()), &s);
        const HRESULT hr = persist->Load(s);
        s->Release();
        return hr;
    };
    std::vector<BYTE> badSize = record;
    badSize[0] = 57;
    std::vector<BYTE> badIid = record;
    badIid[4] ^= 1;
    const std::vector<BYTE> shortHeader(record.begin(), record.begin() + 12);
    const std::vector<BYTE> shortBody(record.begin(), record.begin() + 40);
    EXPECT_EQ(loadOf(badSize), E_FAIL);
    EXPECT_EQ(loadOf(badIid), E_FAIL);
    EXPECT_EQ(loadOf(shortHeader), E_FAIL);
    EXPECT_EQ(loadOf(shortBody), E_FAIL);
    SaturationSettings s{};
    f.settings().GetSettings(&s);
    EXPECT_EQ(s, kDefaults);
    EXPECT_EQ(loadOf(record), S_OK);
    f.settings().GetSettings(&s);
    EXPECT_EQ(s.mix, 4000);
    persist->Release();
}

TEST(FilterSettings, NotifySlotsHoldTwoWindowsAndDropDestroyedOnes)
{
    NewFilter f;
    CFilterSettings& s = f.settings();
    std::vector<WPARAM> got1, got2;
    auto* w1 = new MessageWindow([&](UINT m, WPARAM w, LPARAM) { if (m == WM_COMMAND) got1.push_back(w); });
    MessageWindow w2([&](UINT m, WPARAM w, LPARAM) { if (m == WM_COMMAND) got2.push_back(w); });
    MessageWindow w3([](UINT, WPARAM, LPARAM) {});
    EXPECT_EQ(s.SetNotifyWindow(w1->GetSafeHwnd(), 32700), S_OK);
    EXPECT_EQ(s.SetNotifyWindow(w2.GetSafeHwnd(), 5), S_OK);
    EXPECT_EQ(s.SetNotifyWindow(w3.GetSafeHwnd(), 6), E_OUTOFMEMORY);
    EXPECT_EQ(s.SetNotifyWindow(w3.GetSafeHwnd(), 0), S_OK);

    s.Notify(1);
    w1->PumpMessages();
    w2.PumpMessages();
    ASSERT_EQ(got1.size(), 1u);
    EXPECT_EQ(LOWORD(got1[0]), 32700);
    EXPECT_EQ(HIWORD(got1[0]), 1);
    ASSERT_EQ(got2.size(), 1u);
    EXPECT_EQ(LOWORD(got2[0]), 5);

    EXPECT_EQ(s.SetNotifyWindow(w2.GetSafeHwnd(), 0), S_OK);
    EXPECT_EQ(s.SetNotifyWindow(w3.GetSafeHwnd(), 6), S_OK);
    // A destroyed window's slot is emptied at the next notification.
    delete w1;
    s.Notify(0);
    MessageWindow w4([](UINT, WPARAM, LPARAM) {});
    EXPECT_EQ(s.SetNotifyWindow(w4.GetSafeHwnd(), 7), S_OK);
    w2.PumpMessages();
    EXPECT_EQ(got2.size(), 1u);
}

TEST(FilterSettings, PropertyPagesAndPresets)
{
    NewFilter f;
    auto* pages = f.Query<ISpecifyPropertyPages>(IID_ISpecifyPropertyPages);
    CAUUID list{};
    ASSERT_EQ(pages->GetPages(&list), S_OK);
    ASSERT_EQ(list.cElems, 1u);
    EXPECT_EQ(list.pElems[0], CLSID_SaturationPage);
    CoTaskMemFree(list.pElems);
    pages->Release();

    auto* presets = f.Query<IFilterPresets>(IID_IFilterPresets);
    int count = 0;
    presets->GetPresetCount(&count);
    EXPECT_EQ(count, 10);
    wchar_t name[64];
    ASSERT_EQ(presets->GetPresetName(3, name, 64), S_OK);
    EXPECT_STREQ(name, L"Br-Tube Break-up");
    ASSERT_EQ(presets->GetPresetName(3, name, 5), S_OK);
    EXPECT_STREQ(name, L"Br-T");
    EXPECT_EQ(presets->GetPresetName(10, name, 64), E_INVALIDARG);
    EXPECT_EQ(presets->ApplyPreset(10), E_INVALIDARG);
    EXPECT_EQ(presets->ApplyPreset(-1), E_INVALIDARG);
    ASSERT_EQ(presets->ApplyPreset(5), S_OK);
    SaturationSettings s{};
    f.settings().GetSettings(&s);
    EXPECT_EQ(s.tube, 0);
    EXPECT_EQ(s.tape, 0);
    EXPECT_EQ(s.dither, 0);
    EXPECT_EQ(s.gain, -997);
    presets->Release();

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(f.filter->NonDelegatingQueryInterface(IID_ISaturationSettings, nullptr), E_POINTER);
    EXPECT_EQ(f.filter->NonDelegatingQueryInterface(IID_IMemAllocator, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
}
