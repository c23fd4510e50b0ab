// embrel-graph: runs a WAV file through a filter graph: WAV source -> the saturation
// filter from Embrel.ax -> WAV file renderer.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <system_error>
#include <vector>

#include "engine/ParameterTable.h"
#include "filter/FilterIds.h"
#include "filter/IFilterPresets.h"
#include "filter/ISaturationSettings.h"
#include "filter/host/CFilterGraph.h"
#include "filter/host/CWavFileRenderer.h"
#include "filter/host/CWavSource.h"
#include "platform/com/ComApi.h"

namespace {

struct Options {
    std::string input;
    std::string output;
    std::string module;
    bool havePreset = false;
    int preset = 0;
    std::vector<std::pair<std::string, int>> sets;
    bool asFloat = false;
    long bufferBytes = 16384;
    std::string loadSettings;
    std::string saveSettings;
    bool printSettings = false;
};

// The renderer writes beside OUTPUT under a temporary name, and OUTPUT is replaced only by a
// finished run, so a failed or interrupted run leaves an existing file as it was.
class PendingOutput {
public:
    PendingOutput() = default;
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;
    ~PendingOutput()
    {
        if (!path.empty()) {
            ::unlink(path.c_str());
            signalPath[0] = '\0';
        }
    }

    bool Create(const std::string& output)
    {
        const std::filesystem::path dir = std::filesystem::path(output).parent_path();
        std::string name = (dir.empty() ? std::string(".") : dir.string()) + "/.embrel-graph-XXXXXX";
        if (name.size() >= sizeof signalPath) {
            std::fprintf(stderr, "embrel-graph: %s: the path is too long\n", output.c_str());
            return false;
        }
        const int fd = ::mkstemp(name.data());
        if (fd < 0) {
            std::fprintf(stderr, "embrel-graph: cannot create a file beside %s: %s\n", output.c_str(),
                         std::strerror(errno));
            return false;
        }
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        ::close(fd);
        path = name;
        std::memcpy(signalPath, name.c_str(), name.size() + 1);
        return true;
    }

    const std::string& Path() const { return path; }

    bool Commit(const std::string& output)
    {
        if (std::rename(path.c_str(), output.c_str()) != 0) {
            std::fprintf(stderr, "embrel-graph: cannot replace %s: %s\n", output.c_str(), std::strerror(errno));
            return false;
        }
        path.clear();
        signalPath[0] = '\0';
        return true;
    }

    // Ctrl-C or a termination request removes the unfinished file and exits with 130.
    static void RemoveOnSignal()
    {
        struct sigaction action {};
        action.sa_handler = [](int) {
            if (signalPath[0] != '\0')
                ::unlink(signalPath);
            ::_exit(130);
        };
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, nullptr);
        ::sigaction(SIGTERM, &action, nullptr);
    }

private:
    std::string path;
    static inline char signalPath[4096 + 64] = {};
};

void Usage(FILE* out)
{
    std::fprintf(out,
                 "usage: embrel-graph [options] INPUT.wav OUTPUT.wav\n"
                 "  --module PATH          load the filter from this module instead of the registry\n"
                 "  --preset N             apply factory preset N (0-9)\n"
                 "  --set NAME=VALUE       set one setting (Gain, Tube, Mix, Character, Dynamics,\n"
                 "                         Tape, Knee, Limiter, Dither); values clamp to the ranges\n"
                 "  --float                stream 32-bit float samples and write a float WAV\n"
                 "  --buffer-bytes N       bytes per media sample (default 16384)\n"
                 "  --load-settings FILE   load a 56-byte settings record before the run\n"
                 "  --save-settings FILE   save the settings record after the run\n"
                 "  --print-settings       print the nine settings after the run\n"
                 "  -h, --help             show this text and exit\n");
}

bool ParseInt(const char* text, long* value)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0)
        return false;
    *value = v;
    return true;
}

bool ParseArguments(int argc, char** argv, Options* options)
{
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        long number = 0;
        if (arg == "--module" && hasValue) {
            options->module = argv[++i];
        } else if (arg == "--preset" && hasValue) {
            if (!ParseInt(argv[++i], &number))
                return false;
            options->havePreset = true;
            options->preset = static_cast<int>(number);
        } else if (arg == "--set" && hasValue) {
            const std::string setting = argv[++i];
            const std::size_t eq = setting.find('=');
            if (eq == std::string::npos || !ParseInt(setting.c_str() + eq + 1, &number) || number < -2147483647L - 1 ||
                number > 2147483647L)
                return false;
            options->sets.emplace_back(setting.substr(0, eq), static_cast<int>(number));
        } else if (arg == "--float") {
            options->asFloat = true;
        } else if (arg == "--buffer-bytes" && hasValue) {
            if (!ParseInt(argv[++i], &number) || number <= 0 || number > (64L << 20))
                return false;
            options->bufferBytes = number;
        } else if (arg == "--load-settings" && hasValue) {
            options->loadSettings = argv[++i];
        } else if (arg == "--save-settings" && hasValue) {
            options->saveSettings = argv[++i];
        } else if (arg == "--print-settings") {
            options->printSettings = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return false;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2)
        return false;
    options->input = files[0];
    options->output = files[1];
    return true;
}

int Fail(const char* what, HRESULT hr)
{
    std::fprintf(stderr, "embrel-graph: %s failed: 0x%08X\n", what, static_cast<unsigned>(hr));
    return 1;
}

HRESULT CreateFromModule(const std::string& path, IBaseFilter** filter)
{
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        std::fprintf(stderr, "embrel-graph: %s\n", dlerror());
        return CO_E_DLLNOTFOUND;
    }
    auto getClassObject = reinterpret_cast<PFN_DllGetClassObject>(dlsym(module, "DllGetClassObject"));
    if (getClassObject == nullptr)
        return CO_E_ERRORINDLL;
    void* factory = nullptr;
    HRESULT hr = getClassObject(CLSID_SaturationFilter, IID_IClassFactory, &factory);
    if (FAILED(hr))
        return hr;
    hr = static_cast<IClassFactory*>(factory)->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filter));
    static_cast<IClassFactory*>(factory)->Release();
    // The module stays loaded for the life of the process.
    return hr;
}

// The put_ method of each setting, in table order.
using PutMethod = HRESULT (ISaturationSettings::*)(int);
constexpr PutMethod kPuts[ParameterTable::Count] = {
    &ISaturationSettings::put_Gain,     &ISaturationSettings::put_Tube, &ISaturationSettings::put_Mix,
    &ISaturationSettings::put_Character, &ISaturationSettings::put_Dynamics, &ISaturationSettings::put_Tape,
    &ISaturationSettings::put_Knee,     &ISaturationSettings::put_Limiter, &ISaturationSettings::put_Dither,
};

template <class I>
I* Query(IUnknown* object, REFIID iid, HRESULT* hr)
{
    void* out = nullptr;
    *hr = object->QueryInterface(iid, &out);
    return static_cast<I*>(out);
}

int RunGraph(const Options& options, IBaseFilter* filter)
{
    PendingOutput pending;
    if (!pending.Create(options.output))
        return 1;
    HRESULT hr = S_OK;
    ISaturationSettings* settings = Query<ISaturationSettings>(filter, IID_ISaturationSettings, &hr);
    if (FAILED(hr))
        return Fail("QueryInterface(ISaturationSettings)", hr);
    IPersistStream* persist = Query<IPersistStream>(filter, IID_IPersistStream, &hr);
    if (FAILED(hr)) {
        settings->Release();
        return Fail("QueryInterface(IPersistStream)", hr);
    }
    const auto finish = [&](int code) {
        persist->Release();
        settings->Release();
        return code;
    };

    if (!options.loadSettings.empty()) {
        IStream* stream = nullptr;
        hr = SHCreateStreamOnFileA(options.loadSettings.c_str(), STGM_READ, &stream);
        if (FAILED(hr))
            return finish(Fail("opening the settings file", hr));
        hr = persist->Load(stream);
        stream->Release();
        if (FAILED(hr))
            return finish(Fail("IPersistStream::Load", hr));
    }
    if (options.havePreset) {
        IFilterPresets* presets = Query<IFilterPresets>(filter, IID_IFilterPresets, &hr);
        if (FAILED(hr))
            return finish(Fail("QueryInterface(IFilterPresets)", hr));
        hr = presets->ApplyPreset(options.preset);
        presets->Release();
        if (FAILED(hr))
            return finish(Fail("ApplyPreset", hr));
    }
    for (const auto& [name, value] : options.sets) {
        const ParameterInfo* info = ParameterTable::Find(name);
        if (info == nullptr) {
            std::fprintf(stderr, "embrel-graph: unknown setting '%s'\n", name.c_str());
            return finish(1);
        }
        hr = (settings->*kPuts[static_cast<std::size_t>(info->id)])(value);
        if (FAILED(hr))
            return finish(Fail("put", hr));
    }

    WavFile wav;
    std::string error;
    if (!WavFile::Load(options.input, &wav, &error)) {
        std::fprintf(stderr, "embrel-graph: %s\n", error.c_str());
        return finish(1);
    }
    CWavSource::Options sourceOptions;
    sourceOptions.bufferBytes = options.bufferBytes;
    CWavSource* source = CWavSource::CreateInstance(wav, options.asFloat, sourceOptions);
    CWavFileRenderer* renderer = CWavFileRenderer::CreateInstance(pending.Path());
    CFilterGraph* graph = CFilterGraph::CreateInstance();
    if (source == nullptr || renderer == nullptr || graph == nullptr)
        return finish(Fail("creating the graph", E_OUTOFMEMORY));
    int code = 0;
    IPin* in = nullptr;
    IPin* out = nullptr;
    if (FAILED(hr = graph->AddFilter(source, L"WAV source")) || FAILED(hr = graph->AddFilter(filter, L"Calyrix")) ||
        FAILED(hr = graph->AddFilter(renderer, L"WAV file renderer"))) {
        code = Fail("AddFilter", hr);
    } else if (FAILED(hr = filter->FindPin(L"In", &in)) || FAILED(hr = filter->FindPin(L"Out", &out))) {
        code = Fail("FindPin", hr);
    } else if (FAILED(hr = graph->ConnectDirect(source->GetPin(0), in, nullptr))) {
        code = Fail("connecting the source to the filter", hr);
    } else if (FAILED(hr = graph->ConnectDirect(out, renderer->GetPin(0), nullptr))) {
        code = Fail("connecting the filter to the renderer", hr);
    } else if (FAILED(hr = graph->Run())) {
        code = Fail("Run", hr);
    } else {
        HRESULT result = S_OK;
        graph->WaitForCompletion(INFINITE, &result);
        hr = graph->Stop();
        if (FAILED(result))
            code = Fail("streaming", result);
        else if (FAILED(hr))
            code = Fail("Stop", hr);
    }
    if (in != nullptr)
        in->Release();
    if (out != nullptr)
        out->Release();
    graph->Release();
    renderer->Release();
    source->Release();
    if (code != 0)
        return finish(code);
    if (!pending.Commit(options.output))
        return finish(1);

    if (!options.saveSettings.empty()) {
        IStream* stream = nullptr;
        hr = SHCreateStreamOnFileA(options.saveSettings.c_str(), STGM_WRITE | STGM_CREATE, &stream);
        if (FAILED(hr))
            return finish(Fail("creating the settings file", hr));
        hr = persist->Save(stream, TRUE);
        stream->Release();
        if (FAILED(hr))
            return finish(Fail("IPersistStream::Save", hr));
    }
    if (options.printSettings) {
        SaturationSettings values{};
        hr = settings->GetSettings(&values);
        if (FAILED(hr))
            return finish(Fail("GetSettings", hr));
        std::printf("%d %d %d %d %d %d %d %d %d\n", values.gain, values.tube, values.mix, values.character,
                    values.dynamics, values.tape, values.knee, values.limiter, values.dither);
    }
    return finish(0);
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            Usage(stdout);
            return 0;
        }
    }
    Options options;
    if (!ParseArguments(argc, argv, &options)) {
        Usage(stderr);
        return 2;
    }
    std::error_code sameError;
    if (std::filesystem::equivalent(options.input, options.output, sameError)) {
        std::fprintf(stderr, "embrel-graph: %s is the input file; the output needs another name\n",
                     options.output.c_str());
        return 1;
    }
    PendingOutput::RemoveOnSignal();
    const HRESULT init = CoInitialize(nullptr);
    IBaseFilter* filter = nullptr;
    HRESULT hr = options.module.empty()
                     ? CoCreateInstance(CLSID_SaturationFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                        reinterpret_cast<void**>(&filter))
                     : CreateFromModule(options.module, &filter);
    int code = 0;
    if (FAILED(hr))
        code = Fail("creating the filter", hr);
    else
        code = RunGraph(options, filter);
    if (filter != nullptr)
        filter->Release();
    if (SUCCEEDED(init))
        CoUninitialize();
    return code;
}
