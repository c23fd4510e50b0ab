// A WAV file made of the input, loaded by the graph runtime's WAV source and run to the
// end of the stream in two graphs: straight into a memory renderer, which must receive
// every byte of the data, and as float samples through the saturation filter, which
// must hand on as many bytes as it was given. Each run must end.

#include "filter/CSaturationFilter.h"
#include "filter/host/CFilterGraph.h"
#include "filter/host/CMemoryRenderer.h"
#include "filter/host/CWavSource.h"
#include "tests/fuzz/FuzzInputFile.h"

namespace {

// Connects the chain, runs it to the end and answers what the renderer received; false
// when the pins do not connect.
bool RunChain(const WavClip& wav, bool asFloat, CBaseFilter* middle, std::vector<BYTE>* received)
{
    CWavSource::Options options;
    options.bufferBytes = 256;  // many samples for a small file
    CWavSource* source = CWavSource::CreateInstance(wav, asFloat, options);
    CMemoryRenderer* renderer = CMemoryRenderer::CreateInstance();
    CFilterGraph* graph = CFilterGraph::CreateInstance();
    FUZZ_CHECK(source != nullptr && renderer != nullptr && graph != nullptr);
    graph->AddFilter(source, L"source");
    if (middle != nullptr)
        graph->AddFilter(middle, L"filter");
    graph->AddFilter(renderer, L"renderer");

    bool connected;
    if (middle == nullptr) {
        connected = SUCCEEDED(graph->ConnectDirect(source->GetPin(0), renderer->GetPin(0), nullptr));
    } else {
        connected = SUCCEEDED(graph->ConnectDirect(source->GetPin(0), middle->GetPin(0), nullptr)) &&
                    SUCCEEDED(graph->ConnectDirect(middle->GetPin(1), renderer->GetPin(0), nullptr));
    }
    if (connected) {
        FUZZ_CHECK(graph->Run() == S_OK);
        HRESULT result = S_OK;
        FUZZ_CHECK(graph->WaitForCompletion(10000, &result) == S_OK);
        FUZZ_CHECK(result == S_OK);
        FUZZ_CHECK(graph->Stop() == S_OK);
        *received = renderer->Bytes();
        FUZZ_CHECK(renderer->EndOfStreamCount() == 1);
    }
    graph->Release();
    renderer->Release();
    source->Release();
    return connected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = FuzzInputPath("wav-source");
    WriteFuzzInput(path, data, size);
    WavClip wav;
    std::string error;
    if (!WavClip::Load(path, &wav, &error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    std::vector<BYTE> received;
    if (RunChain(wav, false, nullptr, &received))
        FUZZ_CHECK(received == wav.data);

    HRESULT hr = S_OK;
    auto* filter = static_cast<CSaturationFilter*>(CSaturationFilter::CreateInstance(nullptr, &hr));
    FUZZ_CHECK(filter != nullptr);
    filter->NonDelegatingAddRef();
    received.clear();
    if (RunChain(wav, true, filter, &received)) {
        const bool pcm = wav.format.wFormatTag == WAVE_FORMAT_PCM;
        FUZZ_CHECK(received.size() == (pcm ? wav.data.size() / (wav.format.wBitsPerSample / 8) * 4 : wav.data.size()));
    }
    filter->NonDelegatingRelease();
    return 0;
}
