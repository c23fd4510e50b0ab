#include "tests/filter/FilterTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "program/audio/SampleConverter.h"

WavClip MakeWav(WORD tag, WORD bits, WORD channels, DWORD rate, std::vector<BYTE> data)
{
    WavClip wav;
    wav.format.wFormatTag = tag;
    wav.format.nChannels = channels;
    wav.format.nSamplesPerSec = rate;
    wav.format.wBitsPerSample = bits;
    wav.format.nBlockAlign = static_cast<WORD>(bits / 8 * channels);
    wav.format.nAvgBytesPerSec = wav.format.nBlockAlign * rate;
    wav.data = std::move(data);
    return wav;
}

std::vector<BYTE> Pcm16(const std::vector<int>& samples)
{
    std::vector<BYTE> out(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto s = static_cast<std::int16_t>(samples[i]);
        std::memcpy(&out[2 * i], &s, 2);
    }
    return out;
}

std::vector<BYTE> Floats(const std::vector<float>& samples)
{
    std::vector<BYTE> out(samples.size() * 4);
    std::memcpy(out.data(), samples.data(), out.size());
    return out;
}

CMediaType AudioType(WORD tag, WORD bits, WORD channels, DWORD rate, ULONG formatBytes)
{
    WAVEFORMATEX format{tag, channels, rate, rate * channels * (bits / 8u),
                        static_cast<WORD>(channels * (bits / 8)), bits, 0};
    std::vector<BYTE> block(formatBytes > 18 ? formatBytes : 18);
    std::memcpy(block.data(), &format, 18);
    CMediaType type(MEDIATYPE_Audio);
    type.subtype = tag == WAVE_FORMAT_PCM ? MEDIASUBTYPE_PCM : MEDIASUBTYPE_IEEE_FLOAT;
    type.formattype = FORMAT_WaveFormatEx;
    type.SetFormat(block.data(), formatBytes);
    return type;
}

IPin* PinOf(CBaseFilter* filter, int index)
{
    return filter->GetPin(index);
}

FilterGraphFixture::FilterGraphFixture(const WavClip& wav, bool asFloat, CWavSource::Options options)
    : graph(CFilterGraph::CreateInstance()),
      source(CWavSource::CreateInstance(wav, asFloat, options)),
      renderer(CMemoryRenderer::CreateInstance())
{
    HRESULT hr = S_OK;
    CUnknown* created = CSaturationFilter::CreateInstance(nullptr, &hr);
    filter = static_cast<CSaturationFilter*>(created);
    filter->NonDelegatingAddRef();
    graph->AddFilter(source, L"source");
    graph->AddFilter(filter, L"filter");
    graph->AddFilter(renderer, L"renderer");
}

FilterGraphFixture::~FilterGraphFixture()
{
    graph->Stop();
    graph->Release();
    renderer->Release();
    filter->Release();
    source->Release();
}

HRESULT FilterGraphFixture::Connect()
{
    HRESULT hr = graph->ConnectDirect(PinOf(source, 0), PinOf(filter, 0), nullptr);
    if (FAILED(hr))
        return hr;
    return graph->ConnectDirect(PinOf(filter, 1), PinOf(renderer, 0), nullptr);
}

HRESULT FilterGraphFixture::RunToEnd()
{
    return ::RunToEnd(graph);
}

HRESULT RunToEnd(CFilterGraph* graph)
{
    HRESULT hr = graph->Run();
    if (FAILED(hr))
        return hr;
    HRESULT result = S_OK;
    hr = graph->WaitForCompletion(20000, &result);
    graph->Stop();
    return FAILED(hr) ? hr : result;
}

ScopedRegistry::ScopedRegistry()
{
    static int counter = 0;
    path = (std::filesystem::temp_directory_path() /
            ("calyrix-filter-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + ".reg"))
               .string();
    std::filesystem::remove(path);
    setenv("CALYRIX_REGISTRY", path.c_str(), 1);
}

ScopedRegistry::~ScopedRegistry()
{
    std::filesystem::remove(path);
    std::filesystem::remove(path + ".lock");
    unsetenv("CALYRIX_REGISTRY");
}

// The engine run over the same blocks the source delivers, as the filter should do it.
std::vector<BYTE> ReferencePcm(const WavClip& wav, const SaturationSettings& settings, long bufferBytes)
{
    SaturationEngine engine;
    engine.SetFormat(wav.format.wBitsPerSample, static_cast<int>(wav.format.nSamplesPerSec), wav.format.nChannels);
    settings.ApplyTo(engine);
    SampleConverter converter;
    converter.SetFormats(wav.format.wBitsPerSample, wav.format.nChannels, wav.format.wBitsPerSample, wav.format.nChannels);
    std::vector<BYTE> out = wav.data;
    std::vector<float> floats(static_cast<std::size_t>(bufferBytes));
    const long block = bufferBytes / wav.format.nBlockAlign * wav.format.nBlockAlign;
    for (std::size_t pos = 0; pos < out.size(); pos += static_cast<std::size_t>(block)) {
        const int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(block), out.size() - pos));
        const int frames = converter.ToFloat(&out[pos], n, floats.data());
        engine.Process(floats.data(), frames);
        converter.ToPcm(floats.data(), frames, &out[pos]);
    }
    return out;
}

