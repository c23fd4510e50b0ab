#include "tools/embrel-host/CHostSession.h"

#include <cstdio>

#include "filter/FilterIds.h"
#include "filter/IFilterPresets.h"
#include "filter/host/CFilterGraph.h"
#include "filter/host/CWaveOutRenderer.h"
#include "filter/host/CWavSource.h"
#include "platform/com/ComApi.h"
#include "platform/com/Streams.h"

namespace {

std::string Failure(const char* what, HRESULT hr)
{
    char text[160];
    std::snprintf(text, sizeof text, "%s failed (0x%08X)", what, static_cast<unsigned>(hr));
    return text;
}

template <class I>
HRESULT Query(IUnknown* object, REFIID iid, I** out)
{
    void* found = nullptr;
    const HRESULT hr = object->QueryInterface(iid, &found);
    *out = static_cast<I*>(found);
    return hr;
}

} // namespace

CHostSession::~CHostSession()
{
    CloseGraph();
    ClosePage();
    if (presets != nullptr)
        presets->Release();
    if (settings != nullptr)
        settings->Release();
    if (filter != nullptr)
        filter->Release();
}

bool CHostSession::CreateFilter(std::string* error)
{
    HRESULT hr = CoCreateInstance(CLSID_SaturationFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                  reinterpret_cast<void**>(&filter));
    if (FAILED(hr)) {
        *error = Failure("Creating the Calyrix filter (is Embrel.ax registered? see regsvr)", hr);
        return false;
    }
    if (FAILED(hr = Query(filter, IID_ISaturationSettings, &settings)) ||
        FAILED(hr = Query(filter, IID_IFilterPresets, &presets))) {
        *error = Failure("Asking the filter for its settings", hr);
        return false;
    }
    return true;
}

void CHostSession::CloseGraph()
{
    if (graph != nullptr) {
        graph->Stop();
        // Removing the filter breaks its connections, so it can join the next graph.
        graph->RemoveFilter(filter);
        graph->Release();
    }
    if (renderer != nullptr)
        renderer->Release();
    if (source != nullptr)
        source->Release();
    graph = nullptr;
    renderer = nullptr;
    source = nullptr;
    state = State::Closed;
    path.clear();
}

bool CHostSession::Open(const std::string& file, std::string* error)
{
    CloseGraph();
    auto input = std::make_unique<WavFileReader>();
    if (!input->Open(file)) {
        *error = input->ErrorText();
        return false;
    }
    source = CWavSource::CreateInstance(std::move(input), false, CWavSource::Options{});
    renderer = CWaveOutRenderer::CreateInstance(WAVE_MAPPER);
    graph = CFilterGraph::CreateInstance();
    if (source == nullptr || renderer == nullptr || graph == nullptr) {
        *error = Failure("Building the graph", E_OUTOFMEMORY);
        CloseGraph();
        return false;
    }
    IPin* in = nullptr;
    IPin* out = nullptr;
    HRESULT hr = S_OK;
    if (FAILED(hr = graph->AddFilter(source, L"WAV source")) || FAILED(hr = graph->AddFilter(filter, L"Calyrix")) ||
        FAILED(hr = graph->AddFilter(renderer, L"Wave-out renderer")))
        *error = Failure("Adding the filters to the graph", hr);
    else if (FAILED(hr = filter->FindPin(L"In", &in)) || FAILED(hr = filter->FindPin(L"Out", &out)))
        *error = Failure("Finding the filter's pins", hr);
    else if (FAILED(hr = graph->ConnectDirect(source->GetPin(0), in, nullptr)))
        *error = Failure("Connecting the file to the filter (is it 8/16-bit PCM or float, mono or stereo?)", hr);
    else if (FAILED(hr = graph->ConnectDirect(out, renderer->GetPin(0), nullptr)))
        *error = Failure("Connecting the filter to the sound output", hr);
    if (in != nullptr)
        in->Release();
    if (out != nullptr)
        out->Release();
    if (FAILED(hr)) {
        CloseGraph();
        return false;
    }
    state = State::Stopped;
    path = file;
    return true;
}

HRESULT CHostSession::Play()
{
    if (graph == nullptr)
        return E_UNEXPECTED;
    graph->ResetEvents();
    const HRESULT hr = graph->Run();
    if (SUCCEEDED(hr))
        state = State::Playing;
    return hr;
}

HRESULT CHostSession::Pause()
{
    if (graph == nullptr)
        return E_UNEXPECTED;
    const HRESULT hr = graph->Pause();
    if (SUCCEEDED(hr))
        state = State::Paused;
    return hr;
}

HRESULT CHostSession::Stop()
{
    if (graph == nullptr)
        return E_UNEXPECTED;
    const HRESULT hr = graph->Stop();
    if (SUCCEEDED(hr)) {
        source->Seek(0);
        state = State::Stopped;
    }
    return hr;
}

bool CHostSession::PollFinished(HRESULT* failure)
{
    *failure = S_OK;
    if (graph == nullptr || state != State::Playing)
        return false;
    if (graph->WaitForCompletion(0, failure) == E_ABORT)
        return false;
    Stop();
    return true;
}

std::vector<std::wstring> CHostSession::PresetNames()
{
    std::vector<std::wstring> names;
    int count = 0;
    if (presets == nullptr || FAILED(presets->GetPresetCount(&count)))
        return names;
    for (int i = 0; i < count; ++i) {
        wchar_t name[64] = {};
        presets->GetPresetName(i, name, 64);
        names.emplace_back(name);
    }
    return names;
}

HRESULT CHostSession::ApplyPreset(int index)
{
    if (presets == nullptr)
        return E_UNEXPECTED;
    const HRESULT hr = presets->ApplyPreset(index);
    // Connecting again makes an active page read every setting.
    if (SUCCEEDED(hr) && page != nullptr) {
        IUnknown* objects[] = {filter};
        page->SetObjects(1, objects);
    }
    return hr;
}

HRESULT CHostSession::CreatePage()
{
    if (page != nullptr)
        return S_OK;
    if (filter == nullptr)
        return E_UNEXPECTED;
    ISpecifyPropertyPages* specify = nullptr;
    HRESULT hr = Query(filter, IID_ISpecifyPropertyPages, &specify);
    if (FAILED(hr))
        return hr;
    CAUUID pages{};
    hr = specify->GetPages(&pages);
    specify->Release();
    if (FAILED(hr))
        return hr;
    hr = pages.cElems > 0 ? CoCreateInstance(pages.pElems[0], nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                             reinterpret_cast<void**>(&page))
                          : E_FAIL;
    CoTaskMemFree(pages.pElems);
    if (FAILED(hr))
        return hr;
    IUnknown* objects[] = {filter};
    if (FAILED(hr = page->SetPageSite(&site)) || FAILED(hr = page->SetObjects(1, objects)))
        ClosePage();
    return hr;
}

HRESULT CHostSession::GetPageSize(SIZE* size)
{
    HRESULT hr = CreatePage();
    if (FAILED(hr))
        return hr;
    PROPPAGEINFO info{};
    if (FAILED(hr = page->GetPageInfo(&info)))
        return hr;
    *size = info.size;
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
    return S_OK;
}

HRESULT CHostSession::ShowPage(HWND parent, const RECT& rect)
{
    HRESULT hr = CreatePage();
    if (FAILED(hr))
        return hr;
    if (pageActive)
        return page->Move(&rect);
    hr = page->Activate(parent, &rect, FALSE);
    pageActive = SUCCEEDED(hr);
    return hr;
}

void CHostSession::ClosePage()
{
    if (page == nullptr)
        return;
    if (pageActive)
        page->Deactivate();
    pageActive = false;
    page->SetObjects(0, nullptr);
    page->SetPageSite(nullptr);
    page->Release();
    page = nullptr;
}
