#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "filter/framework/CMemAllocator.h"
#include "filter/host/CWavFileRenderer.h"
#include "filter/host/CWaveOutRenderer.h"
#include "program/audio/SampleConverter.h"
#include "tests/filter/FilterTestSupport.h"

namespace fs = std::filesystem;

namespace {

struct TempFile {
    std::string path;
    explicit TempFile(const char* name)
        : path((fs::temp_directory_path() / (std::to_string(getpid()) + "-" + name)).string())
    {
    }
    ~TempFile() { fs::remove(path); }
    void Write(const std::vector<BYTE>& bytes) const
    {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
};

std::vector<BYTE> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Wave-out devices of the tests: "virtual:1,..." or "none".
void UseWaveOut(const std::string& devices)
{
    setenv("CALYRIX_WAVEOUT", devices.c_str(), 1);
    waveOutGetNumDevs();  // reads the variable again
}

// source [-> saturation filter] -> renderer in one graph, all released with it.
struct RenderGraph {
    CFilterGraph* graph = CFilterGraph::CreateInstance();
    CWavSource* source;
    CSaturationFilter* filter = nullptr;
    CAudioRenderer* renderer;

    RenderGraph(const WavClip& wav, CAudioRenderer* renderer, bool withFilter = false, CWavSource::Options options = {})
        : source(CWavSource::CreateInstance(wav, false, options)), renderer(renderer)
    {
        graph->AddFilter(source, L"source");
        if (withFilter) {
            HRESULT hr = S_OK;
            filter = static_cast<CSaturationFilter*>(CSaturationFilter::CreateInstance(nullptr, &hr));
            filter->NonDelegatingAddRef();
            graph->AddFilter(filter, L"filter");
        }
        graph->AddFilter(renderer, L"renderer");
    }
    ~RenderGraph()
    {
        graph->Release();
        renderer->Release();
        if (filter != nullptr)
            filter->Release();
        source->Release();
    }
    RenderGraph(const RenderGraph&) = delete;
    RenderGraph& operator=(const RenderGraph&) = delete;

    HRESULT Connect()
    {
        if (filter == nullptr)
            return graph->ConnectDirect(PinOf(source, 0), PinOf(renderer, 0), nullptr);
        const HRESULT hr = graph->ConnectDirect(PinOf(source, 0), PinOf(filter, 0), nullptr);
        return FAILED(hr) ? hr : graph->ConnectDirect(PinOf(filter, 1), PinOf(renderer, 0), nullptr);
    }
};

FILTER_STATE StateOf(IBaseFilter* filter)
{
    FILTER_STATE state = State_Running;
    filter->GetState(0, &state);
    return state;
}

std::vector<BYTE> WavBytes(const WAVEFORMATEX& format, const std::vector<BYTE>& data)
{
    std::vector<BYTE> bytes = WavClip::MakeHeader(format, static_cast<DWORD>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

} // namespace

TEST(WavFileLoad, ReadsWhatItWritesAndRefusesWhatItCannotCarry)
{
    TempFile file("wavfile.wav");
    WavClip loaded;
    std::string error;
    const WavClip pcm = MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16({1, -2, 3, -4}));
    file.Write(WavBytes(pcm.format, pcm.data));
    ASSERT_TRUE(WavClip::Load(file.path, &loaded, &error)) << error;
    EXPECT_EQ(loaded.data, pcm.data);
    EXPECT_EQ(loaded.format.nBlockAlign, 4);

    const WavClip ieee = MakeWav(WAVE_FORMAT_IEEE_FLOAT, 32, 1, 48000, Floats({0.5f, -0.25f}));
    file.Write(WavBytes(ieee.format, ieee.data));
    ASSERT_TRUE(WavClip::Load(file.path, &loaded, &error)) << error;
    EXPECT_EQ(loaded.format.wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
    EXPECT_EQ(loaded.data, ieee.data);

    // A data chunk cut short keeps what is there.
    std::vector<BYTE> truncated = WavBytes(pcm.format, pcm.data);
    truncated.resize(truncated.size() - 3);
    file.Write(truncated);
    ASSERT_TRUE(WavClip::Load(file.path, &loaded, &error));
    EXPECT_EQ(loaded.data.size(), pcm.data.size() - 3);

    WAVEFORMATEX wide = pcm.format;
    wide.wBitsPerSample = 24;
    file.Write(WavBytes(wide, pcm.data));
    EXPECT_FALSE(WavClip::Load(file.path, &loaded, &error));
    // A frame of 32768 x 16 bits, or of 16384 floats, overflows the 16-bit block size.
    for (const WORD channels : {WORD(32768), WORD(16384)}) {
        WAVEFORMATEX many = pcm.format;
        many.nChannels = channels;
        file.Write(WavBytes(many, pcm.data));
        EXPECT_FALSE(WavClip::Load(file.path, &loaded, &error)) << channels;
        EXPECT_NE(error.find("more than 16383 channels"), std::string::npos) << error;
    }
    WAVEFORMATEX most = ieee.format;
    most.nChannels = WavFileReader::MaxChannels;
    SetDerivedWaveFields(most);
    file.Write(WavBytes(most, ieee.data));
    ASSERT_TRUE(WavClip::Load(file.path, &loaded, &error)) << error;
    EXPECT_EQ(loaded.format.nBlockAlign, 4 * WavFileReader::MaxChannels);
    std::vector<BYTE> noFormat = WavBytes(pcm.format, pcm.data);
    std::memcpy(&noFormat[12], "junk", 4);
    file.Write(noFormat);
    EXPECT_FALSE(WavClip::Load(file.path, &loaded, &error));
    file.Write({'R', 'I', 'F', 'F', 0, 0});
    EXPECT_FALSE(WavClip::Load(file.path, &loaded, &error));
    EXPECT_FALSE(WavClip::Load(file.path + ".none", &loaded, &error));
    EXPECT_FALSE(error.empty());
}

TEST(WavFileRenderer, WritesAPlayableFileOfTheStream)
{
    TempFile file("rendered.wav");
    const WavClip wav = MakeWav(WAVE_FORMAT_PCM, 8, 1, 8000, std::vector<BYTE>(1001, 0x80));
    {
        RenderGraph g(wav, CWavFileRenderer::CreateInstance(file.path));
        ASSERT_EQ(g.Connect(), S_OK);
        ASSERT_EQ(RunToEnd(g.graph), S_OK);
    }

    WavClip out;
    std::string error;
    ASSERT_TRUE(WavClip::Load(file.path, &out, &error)) << error;
    EXPECT_EQ(out.data, wav.data);
    // An odd data chunk is padded to an even RIFF size.
    EXPECT_EQ(fs::file_size(file.path) % 2, 0u);
}

TEST(WavFileRenderer, AnUnwritableFileFailsThePause)
{
    RenderGraph g(MakeWav(WAVE_FORMAT_PCM, 16, 1, 8000, Pcm16({1, 2})),
                  CWavFileRenderer::CreateInstance("/nonexistent-dir/x.wav"));
    ASSERT_EQ(g.Connect(), S_OK);
    EXPECT_TRUE(FAILED(g.graph->Run()));
    EXPECT_EQ(StateOf(g.source), State_Stopped);
}

TEST(GraphRuntime, StoppingAtAnyMomentLosesNothingAndNeverHangs)
{
    const WavClip wav = MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(std::vector<int>(40000, 1234)));
    CWavSource::Options options;
    options.bufferBytes = 64;
    FilterGraphFixture g(wav, false, options);
    ASSERT_EQ(g.Connect(), S_OK);
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(g.graph->Run(), S_OK);
        for (int spin = 0; spin < i * 50; ++spin)
            std::this_thread::yield();
        ASSERT_EQ(g.graph->Stop(), S_OK);
        int streaming = 1;
        g.Settings()->get_Streaming(&streaming);
        EXPECT_EQ(streaming, 0);
    }
    // Whatever arrived came in whole samples of whole frames.
    EXPECT_EQ(g.renderer->Bytes().size() % 4, 0u);
    ASSERT_EQ(g.RunToEnd(), S_OK);
}

TEST(GraphRuntime, SamplesOutsideTheStreamingStateAreRefused)
{
    FilterGraphFixture g(MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(std::vector<int>(64))), false);
    ASSERT_EQ(g.Connect(), S_OK);
    CMemAllocator* allocator = CMemAllocator::CreateInstance();
    ALLOCATOR_PROPERTIES request{1, 64, 1, 0}, actual{};
    allocator->SetProperties(&request, &actual);
    allocator->Commit();
    IMediaSample* sample = nullptr;
    allocator->GetBuffer(&sample, nullptr, nullptr, 0);
    void* found = nullptr;
    PinOf(g.filter, 0)->QueryInterface(IID_IMemInputPin, &found);
    auto* input = static_cast<IMemInputPin*>(found);

    EXPECT_EQ(input->Receive(sample), VFW_E_WRONG_STATE);
    EXPECT_EQ(input->Receive(nullptr), E_POINTER);
    ASSERT_EQ(g.renderer->Pause(), S_OK);
    ASSERT_EQ(g.filter->Pause(), S_OK);
    EXPECT_EQ(input->Receive(sample), S_OK);
    EXPECT_EQ(g.renderer->Bytes().size(), 64u);

    // A sample announcing another format is refused before it is touched.
    CMediaType other = AudioType(WAVE_FORMAT_PCM, 8, 1);
    sample->SetMediaType(&other);
    EXPECT_EQ(input->Receive(sample), VFW_E_INVALIDMEDIATYPE);
    sample->SetMediaType(nullptr);

    // While flushing nothing is delivered.
    ASSERT_EQ(PinOf(g.filter, 0)->BeginFlush(), S_OK);
    EXPECT_EQ(input->Receive(sample), S_FALSE);
    ASSERT_EQ(PinOf(g.filter, 0)->EndFlush(), S_OK);
    EXPECT_EQ(g.renderer->Bytes().size(), 64u);
    EXPECT_EQ(input->Receive(sample), S_OK);
    EXPECT_EQ(g.renderer->Bytes().size(), 128u);

    g.filter->Stop();
    g.renderer->Stop();
    EXPECT_EQ(input->Receive(sample), VFW_E_WRONG_STATE);
    input->Release();
    sample->Release();
    allocator->Decommit();
    allocator->Release();
}

TEST(GraphRuntime, RemovingAFilterDisconnectsItAndReleasesEverything)
{
    const LONG before = CUnknown::ObjectsActive();
    {
        FilterGraphFixture g(MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(std::vector<int>(64))), false);
        ASSERT_EQ(g.Connect(), S_OK);
        ASSERT_EQ(g.graph->RemoveFilter(g.filter), S_OK);
        EXPECT_FALSE(static_cast<CBasePin*>(PinOf(g.source, 0))->IsConnected());
        EXPECT_FALSE(static_cast<CBasePin*>(PinOf(g.renderer, 0))->IsConnected());
        EXPECT_EQ(g.graph->RemoveFilter(g.filter), VFW_E_NOT_FOUND);
        IBaseFilter* found = nullptr;
        EXPECT_EQ(g.graph->FindFilterByName(L"renderer", &found), S_OK);
        EXPECT_EQ(found, static_cast<IBaseFilter*>(g.renderer));
        found->Release();
        EXPECT_EQ(g.graph->AddFilter(g.renderer, L"again"), VFW_E_DUPLICATE_NAME);
    }
    EXPECT_EQ(CUnknown::ObjectsActive(), before);
}

TEST(GraphRuntime, AggregatedFilterAnswersThroughItsOuterObject)
{
    struct Outer final : IUnknown {
        IUnknown* inner = nullptr;
        int queries = 0;
        HRESULT QueryInterface(REFIID riid, void** ppv) override
        {
            ++queries;
            return inner->QueryInterface(riid, ppv);
        }
        ULONG AddRef() override { return 2; }
        ULONG Release() override { return 1; }
    } outer;
    HRESULT hr = S_OK;
    CUnknown* filter = CSaturationFilter::CreateInstance(&outer, &hr);
    outer.inner = filter->GetInner();
    filter->NonDelegatingAddRef();
    void* settings = nullptr;
    ASSERT_EQ(filter->NonDelegatingQueryInterface(IID_ISaturationSettings, &settings), S_OK);
    void* presets = nullptr;
    // The embedded interfaces delegate to the outer object.
    ASSERT_EQ(static_cast<ISaturationSettings*>(settings)->QueryInterface(IID_IFilterPresets, &presets), S_OK);
    EXPECT_EQ(outer.queries, 1);
    filter->NonDelegatingRelease();
}

TEST(WaveOutRenderer, PlaysWhatTheFilterDeliversAndFloatAs16Bit)
{
    TempFile played("played.raw");
    fs::remove(played.path);
    UseWaveOut("virtual:1,speed=100,capture=" + played.path);
    std::vector<int> samples(40000);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int>((i * 7919) % 60000) - 30000;
    const WavClip wav = MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(samples));
    CWavSource::Options options;
    options.bufferBytes = 3000;
    {
        RenderGraph g(wav, CWaveOutRenderer::CreateInstance(WAVE_MAPPER), true, options);
        ASSERT_EQ(g.Connect(), S_OK);
        g.filter->Settings().put_Dither(0);
        SaturationSettings settings{};
        g.filter->Settings().GetSettings(&settings);
        ASSERT_EQ(RunToEnd(g.graph), S_OK);
        EXPECT_EQ(ReadAll(played.path), ReferencePcm(wav, settings, options.bufferBytes));
    }

    // Float samples reach the device as 16-bit PCM, saturated at full scale.
    fs::remove(played.path);
    const std::vector<float> floats{0.5f, -0.25f, 1.5f, -1.5f, 1.0f, -1.0f};
    RenderGraph g(MakeWav(WAVE_FORMAT_IEEE_FLOAT, 32, 2, 8000, Floats(floats)), CWaveOutRenderer::CreateInstance(0));
    ASSERT_EQ(g.Connect(), S_OK);
    ASSERT_EQ(RunToEnd(g.graph), S_OK);
    EXPECT_EQ(ReadAll(played.path), Pcm16({16384, -8192, 32767, -32768, 32767, -32768}));

    // Without a device the graph does not start.
    UseWaveOut("none");
    EXPECT_EQ(g.graph->Run(), VFW_E_NO_AUDIO_HARDWARE);
    EXPECT_EQ(StateOf(g.renderer), State_Stopped);
    unsetenv("CALYRIX_WAVEOUT");
}

TEST(WaveOutRenderer, StopsWhilePlayingInRealTime)
{
    UseWaveOut("virtual:1");
    RenderGraph g(MakeWav(WAVE_FORMAT_PCM, 8, 1, 8000, std::vector<BYTE>(80000, 0x80)),
                  CWaveOutRenderer::CreateInstance(WAVE_MAPPER));
    ASSERT_EQ(g.Connect(), S_OK);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(g.graph->Run(), S_OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(30 * i));
        EXPECT_EQ(g.graph->Stop(), S_OK);
        EXPECT_EQ(StateOf(g.renderer), State_Stopped);
    }
    HRESULT result = S_OK;
    // Ten seconds of sound: stopped long before the end.
    EXPECT_EQ(g.graph->WaitForCompletion(0, &result), E_ABORT);
    unsetenv("CALYRIX_WAVEOUT");
}
