#include "filter/host/CWavSource.h"

#include <new>

#include "pcm/SampleConverter.h"
#include "platform/base/WaveFormat.h"

namespace {

const CLSID CLSID_WavSource{0x8F2C5A10, 0x3B1E, 0x4C7D, {0x9A, 0x61, 0x2E, 0x55, 0x10, 0x7B, 0xC3, 0x01}};

} // namespace

CWavSource::CWavSource(const WavFile& wav, const Options& options) noexcept
    : CBaseFilter(L"WAV source", nullptr, &filterLock, CLSID_WavSource),
      wav(wav),
      options(options),
      pin(this, &filterLock)
{
}

CWavSource* CWavSource::CreateInstance(const WavFile& wav, bool asFloat, const Options& options) noexcept
{
    WavFile data;
    data.format = wav.format;
    if (asFloat && wav.format.wFormatTag == WAVE_FORMAT_PCM) {
        SampleConverter converter;
        converter.SetFormats(wav.format.wBitsPerSample, wav.format.nChannels, wav.format.wBitsPerSample,
                             wav.format.nChannels);
        const std::size_t samples = wav.data.size() / (wav.format.wBitsPerSample / 8);
        data.data.resize(samples * 4);
        converter.ToFloat(wav.data.data(), static_cast<int>(wav.data.size()),
                          reinterpret_cast<float*>(data.data.data()));
        data.format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
        data.format.wBitsPerSample = 32;
        SetDerivedWaveFields(data.format);
    } else {
        data.data = wav.data;
    }
    auto* source = new (std::nothrow) CWavSource(data, options);
    if (source != nullptr)
        source->NonDelegatingAddRef();
    return source;
}
