#include "filter/host/CWavSource.h"

#include <algorithm>
#include <new>

#include "platform/base/WaveFormat.h"
#include "program/audio/SampleConverter.h"

namespace {

const CLSID CLSID_WavSource{0x8F2C5A10, 0x3B1E, 0x4C7D, {0x9A, 0x61, 0x2E, 0x55, 0x10, 0x7B, 0xC3, 0x01}};

} // namespace

CWavSource::CWavSource(const WAVEFORMATEX& format, bool asFloat, const Options& options) noexcept
    : CBaseFilter(L"WAV source", nullptr, &filterLock, CLSID_WavSource),
      source(format),
      delivered(format),
      convert(asFloat && format.wFormatTag == WAVE_FORMAT_PCM),
      options(options),
      pin(this, &filterLock)
{
    if (convert) {
        delivered.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
        delivered.wBitsPerSample = 32;
        SetDerivedWaveFields(delivered);
    }
}

CWavSource* CWavSource::CreateInstance(const WavClip& clip, bool asFloat, const Options& options) noexcept
{
    auto* source = new (std::nothrow) CWavSource(clip.format, asFloat, options);
    if (source == nullptr)
        return nullptr;
    try {
        source->clip.data = clip.data;
    } catch (...) {
        delete source;
        return nullptr;
    }
    source->NonDelegatingAddRef();
    return source;
}

CWavSource* CWavSource::CreateInstance(std::unique_ptr<WavFileReader> file, bool asFloat,
                                       const Options& options) noexcept
{
    auto* source = new (std::nothrow) CWavSource(file->Format(), asFloat, options);
    if (source == nullptr)
        return nullptr;
    source->file = std::move(file);
    source->NonDelegatingAddRef();
    return source;
}

ULONGLONG CWavSource::Length() const noexcept
{
    const ULONGLONG bytes = file ? file->DataBytes() : clip.data.size();
    return convert ? bytes / (source.wBitsPerSample / 8) * 4 : bytes;
}

long long CWavSource::ReadSource(ULONGLONG offset, BYTE* buffer, std::size_t count) noexcept
{
    if (file)
        return file->Read(offset, buffer, count);
    if (offset >= clip.data.size())
        return 0;
    const std::size_t available = static_cast<std::size_t>(clip.data.size() - offset);
    const std::size_t n = count < available ? count : available;
    std::copy(clip.data.begin() + static_cast<std::ptrdiff_t>(offset),
              clip.data.begin() + static_cast<std::ptrdiff_t>(offset + n), buffer);
    return static_cast<long long>(n);
}

long CWavSource::Fill(ULONGLONG position, BYTE* buffer, long capacity) noexcept
{
    const ULONGLONG length = Length();
    if (position >= length || capacity <= 0)
        return 0;
    const std::size_t count = static_cast<std::size_t>(std::min<ULONGLONG>(ULONGLONG(capacity), length - position));
    if (!convert)
        return static_cast<long>(ReadSource(position, buffer, count));
    // Whole 32-bit samples out of whole 8- or 16-bit samples in.
    const std::size_t bytesPerSample = source.wBitsPerSample / 8;
    const std::size_t samples = count / 4;
    try {
        scratch.resize(samples * bytesPerSample);
    } catch (...) {
        return -1;
    }
    const long long got = ReadSource(position / 4 * bytesPerSample, scratch.data(), scratch.size());
    if (got < 0)
        return -1;
    SampleConverter converter;
    converter.SetFormats(source.wBitsPerSample, source.nChannels, source.wBitsPerSample, source.nChannels);
    const std::size_t whole = static_cast<std::size_t>(got) / bytesPerSample;
    converter.ToFloat(scratch.data(), static_cast<int>(whole * bytesPerSample), reinterpret_cast<float*>(buffer));
    return static_cast<long>(whole * 4);
}
