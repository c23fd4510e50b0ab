#include "tools/embrel-graph/GraphRun.h"

#include <atomic>
#include <dlfcn.h>
#include <memory>

#include "engine/ParameterTable.h"
#include "filter/FilterIds.h"
#include "filter/IFilterPresets.h"
#include "filter/ISaturationSettings.h"
#include "filter/host/CFilterGraph.h"
#include "filter/host/CWavFileRenderer.h"
#include "filter/host/CWavSource.h"
#include "platform/com/ComApi.h"
#include "platform/fs/ResultFile.h"
#include "platform/fs/TemporaryFile.h"
#include "tools/embrel-graph/HResultText.h"

namespace {

// Set by the signal handler on whichever thread takes the signal, read by the others.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// The put_ method of each setting, in table order.
using PutMethod = HRESULT (ISaturationSettings::*)(int);
constexpr PutMethod kPuts[ParameterTable::Count] = {
    &ISaturationSettings::put_Gain,     &ISaturationSettings::put_Tube, &ISaturationSettings::put_Mix,
    &ISaturationSettings::put_Character, &ISaturationSettings::put_Dynamics, &ISaturationSettings::put_Tape,
    &ISaturationSettings::put_Knee,     &ISaturationSettings::put_Limiter, &ISaturationSettings::put_Dither,
};

// An interface of an object, released when the holder ends.
template <class I>
struct Interface {
    I* p = nullptr;
    HRESULT hr = E_NOINTERFACE;
    Interface(IUnknown* object, REFIID iid) { hr = object->QueryInterface(iid, reinterpret_cast<void**>(&p)); }
    ~Interface()
    {
        if (p != nullptr)
            p->Release();
    }
    Interface(const Interface&) = delete;
    Interface& operator=(const Interface&) = delete;
    I* operator->() const { return p; }
};

// A reference owned by the holder.
template <class T>
struct Owned {
    T* p = nullptr;
    explicit Owned(T* object) : p(object) {}
    ~Owned()
    {
        if (p != nullptr)
            p->Release();
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
};

// The text with its trailing line end removed, for "embrel-graph: ..." lines.
std::string Line(std::string text)
{
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

} // namespace

void GraphRun::RequestStop() noexcept
{
    stopRequested = true;
}

int GraphRun::Fail(const char* what, HRESULT hr) const
{
    std::fprintf(err, "embrel-graph: %s failed: %s\n", what, HResultText(hr).c_str());
    return 1;
}

int GraphRun::Fail(const std::string& text) const
{
    std::fprintf(err, "embrel-graph: %s\n", Line(text).c_str());
    return 1;
}

int GraphRun::Run() noexcept
{
    try {
        ResultFile result;
        if (!result.Open(options.output))
            return Fail(result.ErrorText());
        if (result.IsFile(options.input))
            return Fail(options.output + " is the input file; the output needs another name");
        auto input = std::make_unique<WavFileReader>();
        if (!input->Open(options.input))
            return Fail(input->ErrorText());
        TemporaryFile temporary;
        if (!temporary.CreateUnique(result.Directory()))
            return Fail(temporary.ErrorText());
        const HRESULT init = CoInitialize(nullptr);
        const int code = RunWithFilter(std::move(input), temporary, result);
        if (SUCCEEDED(init))
            CoUninitialize();
        return code;
    } catch (...) {
        return Fail("running the graph", E_OUTOFMEMORY);
    }
}

int GraphRun::RunWithFilter(std::unique_ptr<WavFileReader> input, TemporaryFile& temporary,
                            ResultFile& result) const
{
    IBaseFilter* created = nullptr;
    const HRESULT hr = CreateFilter(&created);
    Owned<IBaseFilter> filter(created);
    if (FAILED(hr))
        return Fail("creating the filter", hr);
    int code = Configure(filter.p);
    if (code == 0)
        code = Render(filter.p, std::move(input), temporary.Path());
    if (code != 0)
        return code;
    if (!result.Replace(temporary))
        return Fail(result.ErrorText());
    code = SaveSettings(filter.p);
    return code != 0 ? code : PrintSettings(filter.p);
}

HRESULT GraphRun::CreateFilter(IBaseFilter** filter) const
{
    if (options.module.empty())
        return CoCreateInstance(CLSID_SaturationFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(filter));
    void* module = dlopen(options.module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        std::fprintf(err, "embrel-graph: %s\n", dlerror());
        return CO_E_DLLNOTFOUND;
    }
    auto getClassObject = reinterpret_cast<PFN_DllGetClassObject>(dlsym(module, "DllGetClassObject"));
    if (getClassObject == nullptr)
        return CO_E_ERRORINDLL;
    void* factory = nullptr;
    HRESULT hr = getClassObject(CLSID_SaturationFilter, IID_IClassFactory, &factory);
    if (FAILED(hr))
        return hr;
    Owned<IClassFactory> owned(static_cast<IClassFactory*>(factory));
    // The module stays loaded for the life of the process.
    return owned.p->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filter));
}

// Order: the settings file, the preset, then each --set.
int GraphRun::Configure(IBaseFilter* filter) const
{
    if (!options.loadSettings.empty()) {
        Interface<IPersistStream> persist(filter, IID_IPersistStream);
        if (FAILED(persist.hr))
            return Fail("QueryInterface(IPersistStream)", persist.hr);
        IStream* stream = nullptr;
        HRESULT hr = SHCreateStreamOnFileA(options.loadSettings.c_str(), STGM_READ, &stream);
        if (FAILED(hr))
            return Fail("opening the settings file", hr);
        hr = persist->Load(stream);
        stream->Release();
        if (FAILED(hr))
            return Fail("IPersistStream::Load", hr);
    }
    return ApplyPresetAndSets(filter);
}

int GraphRun::ApplyPresetAndSets(IBaseFilter* filter) const
{
    if (options.havePreset) {
        Interface<IFilterPresets> presets(filter, IID_IFilterPresets);
        if (FAILED(presets.hr))
            return Fail("QueryInterface(IFilterPresets)", presets.hr);
        const HRESULT hr = presets->ApplyPreset(options.preset);
        if (FAILED(hr))
            return Fail("ApplyPreset", hr);
    }
    Interface<ISaturationSettings> settings(filter, IID_ISaturationSettings);
    if (FAILED(settings.hr))
        return Fail("QueryInterface(ISaturationSettings)", settings.hr);
    for (const auto& [name, value] : options.sets) {
        const ParameterInfo* info = ParameterTable::Find(name);
        if (info == nullptr)
            return Fail("unknown setting '" + name + "'");
        const HRESULT hr = (settings.p->*kPuts[static_cast<std::size_t>(info->id)])(value);
        if (FAILED(hr))
            return Fail("put", hr);
    }
    return 0;
}

int GraphRun::Render(IBaseFilter* filter, std::unique_ptr<WavFileReader> input, const std::string& path) const
{
    CWavSource::Options sourceOptions;
    sourceOptions.bufferBytes = options.bufferBytes;
    Owned<CWavSource> source(CWavSource::CreateInstance(std::move(input), options.asFloat, sourceOptions));
    Owned<CWavFileRenderer> renderer(CWavFileRenderer::CreateInstance(path));
    Owned<CFilterGraph> graph(CFilterGraph::CreateInstance());
    if (source.p == nullptr || renderer.p == nullptr || graph.p == nullptr)
        return Fail("creating the graph", E_OUTOFMEMORY);
    const int code = Connect(graph.p, source.p, filter, renderer.p);
    return code != 0 ? code : Stream(graph.p, source.p);
}

int GraphRun::Connect(CFilterGraph* graph, CWavSource* source, IBaseFilter* filter, IBaseFilter* renderer) const
{
    HRESULT hr = S_OK;
    if (FAILED(hr = graph->AddFilter(source, L"WAV source")) || FAILED(hr = graph->AddFilter(filter, L"Calyrix")) ||
        FAILED(hr = graph->AddFilter(renderer, L"WAV file renderer")))
        return Fail("AddFilter", hr);
    IPin* in = nullptr;
    IPin* out = nullptr;
    int code = 0;
    if (FAILED(hr = filter->FindPin(L"In", &in)) || FAILED(hr = filter->FindPin(L"Out", &out)))
        code = Fail("FindPin", hr);
    else if (FAILED(hr = graph->ConnectDirect(source->GetPin(0), in, nullptr)))
        code = Fail("connecting the source to the filter", hr);
    else if (FAILED(hr = graph->ConnectDirect(out, static_cast<CBaseFilter*>(renderer)->GetPin(0), nullptr)))
        code = Fail("connecting the filter to the renderer", hr);
    if (in != nullptr)
        in->Release();
    if (out != nullptr)
        out->Release();
    return code;
}

// Runs the graph to the end of the stream, or until a stop is asked for.
int GraphRun::Stream(CFilterGraph* graph, CWavSource* source) const
{
    HRESULT hr = graph->Run();
    if (FAILED(hr))
        return Fail("Run", hr);
    HRESULT result = S_OK;
    while (graph->WaitForCompletion(100, &result) == E_ABORT && !stopRequested) {
    }
    hr = graph->Stop();
    if (stopRequested) {
        std::fprintf(err, "embrel-graph: stopped; %s was not changed\n", options.output.c_str());
        return 130;
    }
    if (FAILED(result)) {
        const std::string reason = source->ReadError();
        return reason.empty() ? Fail("streaming", result) : Fail(reason);
    }
    return FAILED(hr) ? Fail("Stop", hr) : 0;
}

int GraphRun::SaveSettings(IBaseFilter* filter) const
{
    if (options.saveSettings.empty())
        return 0;
    // Written beside the file and moved over it whole, like the output.
    ResultFile record;
    TemporaryFile temporary;
    if (!record.Open(options.saveSettings))
        return Fail(record.ErrorText());
    if (!temporary.CreateUnique(record.Directory()))
        return Fail(temporary.ErrorText());
    Interface<IPersistStream> persist(filter, IID_IPersistStream);
    if (FAILED(persist.hr))
        return Fail("QueryInterface(IPersistStream)", persist.hr);
    IStream* stream = nullptr;
    HRESULT hr = SHCreateStreamOnFileA(temporary.Path().c_str(), STGM_WRITE | STGM_CREATE, &stream);
    if (FAILED(hr))
        return Fail("creating the settings file", hr);
    hr = persist->Save(stream, TRUE);
    stream->Release();
    if (FAILED(hr))
        return Fail("IPersistStream::Save", hr);
    return record.Replace(temporary) ? 0 : Fail(record.ErrorText());
}

int GraphRun::PrintSettings(IBaseFilter* filter) const
{
    if (!options.printSettings)
        return 0;
    Interface<ISaturationSettings> settings(filter, IID_ISaturationSettings);
    SaturationSettings values{};
    const HRESULT hr = FAILED(settings.hr) ? settings.hr : settings->GetSettings(&values);
    if (FAILED(hr))
        return Fail("GetSettings", hr);
    std::fprintf(out, "%d %d %d %d %d %d %d %d %d\n", values.gain, values.tube, values.mix, values.character,
                 values.dynamics, values.tape, values.knee, values.limiter, values.dither);
    return 0;
}
