#include <filesystem>

#include <gtest/gtest.h>

#include "filter/FilterIds.h"
#include "filter/framework/CClassFactory.h"
#include "filter/framework/CFilterMapper.h"
#include "filter/framework/CMemAllocator.h"
#include "platform/com/ComApi.h"
#include "tests/filter/FilterTestSupport.h"

namespace {

WavClip Stereo16(int frames)
{
    std::vector<int> samples(static_cast<std::size_t>(frames) * 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int>((i * 977) % 20000) - 10000;
    return MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(samples));
}

} // namespace

TEST(FrameworkPins, NamesIdsAndFindPin)
{
    FilterGraphFixture g(Stereo16(16), false);
    PIN_INFO info{};
    ASSERT_EQ(PinOf(g.filter, 0)->QueryPinInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Input");
    EXPECT_EQ(info.dir, PINDIR_INPUT);
    info.pFilter->Release();
    ASSERT_EQ(PinOf(g.filter, 1)->QueryPinInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Output");
    info.pFilter->Release();
    EXPECT_EQ(g.filter->GetPin(2), nullptr);
    EXPECT_EQ(g.filter->GetPin(-1), nullptr);

    IPin* pin = reinterpret_cast<IPin*>(1);
    EXPECT_EQ(g.filter->FindPin(L"Input", &pin), VFW_E_NOT_FOUND);
    EXPECT_EQ(pin, nullptr);
    ASSERT_EQ(g.filter->FindPin(L"In", &pin), S_OK);
    EXPECT_EQ(pin, PinOf(g.filter, 0));
    pin->Release();
    ASSERT_EQ(g.filter->FindPin(L"Out", &pin), S_OK);
    EXPECT_EQ(pin, PinOf(g.filter, 1));
    pin->Release();
}

TEST(FrameworkPins, EnumeratesTypesFromTheOppositeSideOnly)
{
    FilterGraphFixture g(Stereo16(16), false);
    IEnumMediaTypes* types = nullptr;
    EXPECT_EQ(PinOf(g.filter, 1)->EnumMediaTypes(&types), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(PinOf(g.filter, 0)->EnumMediaTypes(&types), VFW_E_NOT_CONNECTED);
    // Without a connected input the output cannot agree on any type.
    EXPECT_TRUE(FAILED(g.graph->ConnectDirect(PinOf(g.filter, 1), PinOf(g.renderer, 0), nullptr)));

    ASSERT_EQ(g.graph->ConnectDirect(PinOf(g.source, 0), PinOf(g.filter, 0), nullptr), S_OK);
    ASSERT_EQ(PinOf(g.filter, 1)->EnumMediaTypes(&types), S_OK);
    AM_MEDIA_TYPE* type = nullptr;
    ULONG fetched = 0;
    ASSERT_EQ(types->Next(1, &type, &fetched), S_OK);
    EXPECT_EQ(type->majortype, MEDIATYPE_Audio);
    DeleteMediaType(type);
    EXPECT_EQ(types->Next(1, &type, &fetched), S_FALSE);
    types->Release();
}

TEST(FrameworkPins, BothConnectionsCarryOneTypeAndShareTheSourceAllocator)
{
    FilterGraphFixture g(Stereo16(64), false);
    void* found = nullptr;
    ASSERT_EQ(PinOf(g.filter, 0)->QueryInterface(IID_IMemInputPin, &found), S_OK);
    auto* memInput = static_cast<IMemInputPin*>(found);
    // With nothing downstream the input pin has no allocator to offer.
    IMemAllocator* inputAllocator = reinterpret_cast<IMemAllocator*>(1);
    EXPECT_EQ(memInput->GetAllocator(&inputAllocator), VFW_E_NO_ALLOCATOR);
    EXPECT_EQ(inputAllocator, nullptr);
    ASSERT_EQ(g.graph->ConnectDirect(PinOf(g.source, 0), PinOf(g.filter, 0), nullptr), S_OK);
    // The output takes only what the pin upstream of the filter accepts too.
    const CMediaType other = AudioType(WAVE_FORMAT_PCM, 8, 1);
    EXPECT_EQ(g.graph->ConnectDirect(PinOf(g.filter, 1), PinOf(g.renderer, 0), &other), VFW_E_TYPE_NOT_ACCEPTED);
    ASSERT_EQ(g.graph->ConnectDirect(PinOf(g.filter, 1), PinOf(g.renderer, 0), nullptr), S_OK);
    AM_MEDIA_TYPE in{}, out{};
    ASSERT_EQ(PinOf(g.filter, 0)->ConnectionMediaType(&in), S_OK);
    ASSERT_EQ(PinOf(g.filter, 1)->ConnectionMediaType(&out), S_OK);
    EXPECT_TRUE(CMediaType(in) == CMediaType(out));
    FreeMediaType(in);
    FreeMediaType(out);

    ASSERT_EQ(memInput->GetAllocator(&inputAllocator), S_OK);
    EXPECT_EQ(inputAllocator, static_cast<CBaseOutputPin*>(PinOf(g.source, 0))->Allocator());
    EXPECT_EQ(inputAllocator, static_cast<CBaseOutputPin*>(PinOf(g.filter, 1))->Allocator());
    inputAllocator->Release();
    memInput->Release();
}

TEST(FrameworkPins, ReadOnlyAllocatorIsRefused)
{
    CWavSource::Options options;
    options.readOnly = true;
    FilterGraphFixture g(Stereo16(16), false, options);
    EXPECT_EQ(g.graph->ConnectDirect(PinOf(g.source, 0), PinOf(g.filter, 0), nullptr), VFW_E_READ_ONLY);
    EXPECT_FALSE(static_cast<CBasePin*>(PinOf(g.filter, 0))->IsConnected());
    EXPECT_FALSE(static_cast<CBasePin*>(PinOf(g.source, 0))->IsConnected());
}

TEST(FrameworkPins, CompletingAConnectionOutsideAGraphFails)
{
    WavClip wav = Stereo16(16);
    CWavSource* source = CWavSource::CreateInstance(wav, false, {});
    HRESULT hr = S_OK;
    auto* filter = static_cast<CSaturationFilter*>(CSaturationFilter::CreateInstance(nullptr, &hr));
    filter->NonDelegatingAddRef();
    EXPECT_EQ(PinOf(source, 0)->Connect(PinOf(filter, 0), nullptr), VFW_E_NOT_IN_GRAPH);
    EXPECT_FALSE(static_cast<CBasePin*>(PinOf(filter, 0))->IsConnected());
    filter->Release();
    source->Release();
}

namespace {

// A graph that only records which pins it is asked to reconnect.
class RecordingGraph final : public IFilterGraph {
public:
    std::vector<IPin*> reconnected;
    HRESULT QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    HRESULT FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT Reconnect(IPin* pin) override
    {
        reconnected.push_back(pin);
        return S_OK;
    }
    HRESULT Disconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT SetDefaultSyncSource() override { return E_NOTIMPL; }
};

} // namespace

TEST(FrameworkPins, CompletingAConnectionAsksTheGraphToReconnectTheOtherSide)
{
    FilterGraphFixture g(Stereo16(16), false);
    ASSERT_EQ(g.Connect(), S_OK);
    RecordingGraph recorder;
    g.filter->JoinFilterGraph(&recorder, L"filter");
    // The output completing reconnects the connected input.
    EXPECT_EQ(g.filter->CompleteConnect(PINDIR_OUTPUT, PinOf(g.renderer, 0)), S_OK);
    // The input completing reconnects the output only when their types differ.
    EXPECT_EQ(g.filter->CompleteConnect(PINDIR_INPUT, PinOf(g.source, 0)), S_OK);
    const CMediaType other = AudioType(WAVE_FORMAT_PCM, 8, 2);
    static_cast<CBasePin*>(PinOf(g.filter, 1))->SetMediaType(&other);
    EXPECT_EQ(g.filter->CompleteConnect(PINDIR_INPUT, PinOf(g.source, 0)), S_OK);
    g.filter->JoinFilterGraph(g.graph, L"filter");
    ASSERT_EQ(recorder.reconnected.size(), 2u);
    EXPECT_EQ(recorder.reconnected[0], PinOf(g.filter, 0));
    EXPECT_EQ(recorder.reconnected[1], PinOf(g.filter, 1));
}

TEST(FrameworkState, PauseWithTheInputUnconnectedDeliversEndOfStreamOnce)
{
    FilterGraphFixture g(Stereo16(16), false);
    // The output needs an upstream type, so connect fully and then drop the input side.
    ASSERT_EQ(g.Connect(), S_OK);
    ASSERT_EQ(g.graph->Disconnect(PinOf(g.source, 0)), S_OK);
    ASSERT_EQ(g.graph->Disconnect(PinOf(g.filter, 0)), S_OK);
    ASSERT_EQ(g.renderer->Pause(), S_OK);

    EXPECT_EQ(g.filter->Pause(), S_OK);
    EXPECT_EQ(g.renderer->EndOfStreamCount(), 1);
    EXPECT_EQ(g.filter->Pause(), S_OK);
    EXPECT_EQ(g.filter->Run(0), S_OK);
    EXPECT_EQ(g.renderer->EndOfStreamCount(), 1);
    EXPECT_EQ(g.filter->Stop(), S_OK);
    EXPECT_EQ(g.filter->Pause(), S_OK);
    EXPECT_EQ(g.renderer->EndOfStreamCount(), 2);
}

TEST(FrameworkState, FlushNeedsBothPinsAndPassesDownstream)
{
    FilterGraphFixture g(Stereo16(16), false);
    EXPECT_EQ(PinOf(g.filter, 0)->BeginFlush(), VFW_E_NOT_CONNECTED);
    ASSERT_EQ(g.Connect(), S_OK);
    EXPECT_EQ(PinOf(g.filter, 0)->BeginFlush(), S_OK);
    EXPECT_TRUE(static_cast<CBaseInputPin*>(PinOf(g.renderer, 0))->IsFlushing());
    EXPECT_EQ(PinOf(g.filter, 0)->EndFlush(), S_OK);
    EXPECT_FALSE(static_cast<CBaseInputPin*>(PinOf(g.renderer, 0))->IsFlushing());
    EXPECT_EQ(PinOf(g.filter, 0)->NewSegment(10, 20, 2.0), S_OK);
    auto* rendererPin = static_cast<CBasePin*>(PinOf(g.renderer, 0));
    EXPECT_EQ(rendererPin->CurrentStartTime(), 10);
    EXPECT_EQ(rendererPin->CurrentStopTime(), 20);
    EXPECT_EQ(rendererPin->CurrentRate(), 2.0);
}

TEST(FrameworkState, ConnectionsChangeOnlyWhenStopped)
{
    FilterGraphFixture g(Stereo16(4096), false);
    ASSERT_EQ(g.Connect(), S_OK);
    ASSERT_EQ(g.graph->Pause(), S_OK);
    EXPECT_EQ(PinOf(g.filter, 1)->Disconnect(), VFW_E_NOT_STOPPED);
    g.graph->Stop();
    EXPECT_EQ(PinOf(g.filter, 1)->Disconnect(), S_OK);
}

TEST(FrameworkAllocator, SamplesAndCommitRules)
{
    CMemAllocator* allocator = CMemAllocator::CreateInstance();
    IMediaSample* sample = nullptr;
    EXPECT_EQ(allocator->Commit(), VFW_E_SIZENOTSET);
    ALLOCATOR_PROPERTIES request{1, 10, 4, 0}, actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    EXPECT_EQ(actual.cbBuffer, 12);
    EXPECT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    ASSERT_EQ(allocator->Commit(), S_OK);
    EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_ALREADY_COMMITTED);
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    IMediaSample* second = nullptr;
    EXPECT_EQ(allocator->GetBuffer(&second, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);
    EXPECT_EQ(sample->SetActualDataLength(13), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(sample->IsDiscontinuity(), S_FALSE);
    sample->SetDiscontinuity(TRUE);
    EXPECT_EQ(sample->IsDiscontinuity(), S_OK);
    // Decommit with a sample out waits for it; the sample stays usable until released.
    EXPECT_EQ(allocator->Decommit(), S_OK);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    data[11] = 7;
    sample->Release();
    ASSERT_EQ(allocator->Commit(), S_OK);
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(sample->IsDiscontinuity(), S_FALSE);
    sample->Release();
    allocator->Decommit();
    allocator->Release();
}

TEST(FrameworkRegistration, RegisterWithoutSetupDataTouchesNothing)
{
    ScopedRegistry registry;
    CMemoryRenderer* renderer = CMemoryRenderer::CreateInstance();
    EXPECT_EQ(renderer->Register(), S_FALSE);
    EXPECT_EQ(renderer->Unregister(), S_FALSE);
    EXPECT_FALSE(std::filesystem::exists(registry.path));
    renderer->Release();
}

TEST(FrameworkRegistration, FilterRegistersInTheMapperAndUnregistersTwice)
{
    ScopedRegistry registry;
    FilterGraphFixture g(Stereo16(4), false);
    ASSERT_EQ(g.filter->Register(), S_OK);
    std::vector<CFilterMapper::FilterRecord> filters;
    ASSERT_EQ(CFilterMapper::ListFilters(&filters), S_OK);
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0].clsid, CLSID_SaturationFilter);
    EXPECT_EQ(filters[0].name, L"Calyrix by Quorel");
    EXPECT_EQ(filters[0].merit, 0x00200000u);
    ASSERT_EQ(filters[0].pins.size(), 2u);
    for (const auto& pin : filters[0].pins) {
        EXPECT_EQ(pin.output, pin.name == L"Output" ? TRUE : FALSE);
        EXPECT_EQ(pin.connectsToPin, pin.name == L"Output" ? L"Input" : L"Output");
        ASSERT_EQ(pin.mediaTypes.size(), 1u);
        EXPECT_EQ(pin.mediaTypes[0].first, MEDIATYPE_Audio);
        EXPECT_EQ(pin.mediaTypes[0].second, GUID_NULL);
    }
    EXPECT_EQ(g.filter->Unregister(), S_OK);
    ASSERT_EQ(CFilterMapper::ListFilters(&filters), S_OK);
    EXPECT_TRUE(filters.empty());
    EXPECT_EQ(g.filter->Unregister(), S_OK);

    IFilterMapper* mapper = nullptr;
    ASSERT_EQ(CFilterMapper::CreateInstance(&mapper), S_OK);
    EXPECT_EQ(mapper->UnregisterFilter(CLSID_SaturationFilter), HRESULT_FROM_WIN32(2));
    EXPECT_EQ(mapper->RegisterPin(CLSID_SaturationFilter, L"Input", 0, 0, 0, 0, GUID_NULL, L"x"),
              HRESULT_FROM_WIN32(2));
    mapper->Release();
}

namespace {

CUnknown* CreateFilter(IUnknown* outer, HRESULT* phr)
{
    return CSaturationFilter::CreateInstance(outer, phr);
}

const CFactoryTemplate testTemplates[] = {{L"Calyrix by Quorel", &CLSID_SaturationFilter, &CreateFilter, nullptr}};

} // namespace

TEST(FrameworkClassFactory, ClassObjectsAndUnloading)
{
    void* object = nullptr;
    EXPECT_EQ(FrameworkGetClassObject(testTemplates, 1, CLSID_SaturationFilter, IID_IBaseFilter, &object),
              E_NOINTERFACE);
    EXPECT_EQ(FrameworkGetClassObject(testTemplates, 1, CLSID_SaturationPage, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(FrameworkCanUnloadNow(), S_OK);
    ASSERT_EQ(FrameworkGetClassObject(testTemplates, 1, CLSID_SaturationFilter, IID_IClassFactory, &object), S_OK);
    auto* factory = static_cast<IClassFactory*>(object);
    factory->LockServer(TRUE);
    EXPECT_EQ(FrameworkCanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    // An unlock without a lock of the same factory is refused and keeps another's lock.
    EXPECT_EQ(factory->LockServer(FALSE), E_UNEXPECTED);
    void* other = nullptr;
    ASSERT_EQ(FrameworkGetClassObject(testTemplates, 1, CLSID_SaturationFilter, IID_IClassFactory, &other), S_OK);
    static_cast<IClassFactory*>(other)->LockServer(TRUE);
    EXPECT_EQ(factory->LockServer(FALSE), E_UNEXPECTED);
    EXPECT_EQ(FrameworkCanUnloadNow(), S_FALSE);
    EXPECT_EQ(static_cast<IClassFactory*>(other)->LockServer(FALSE), S_OK);
    static_cast<IClassFactory*>(other)->Release();
    void* filter = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, &filter), S_OK);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(FrameworkCanUnloadNow(), S_FALSE);
    static_cast<IBaseFilter*>(filter)->Release();
    EXPECT_EQ(FrameworkCanUnloadNow(), S_OK);
    factory->Release();
}
