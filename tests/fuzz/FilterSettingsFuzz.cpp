// A settings record made of the input, loaded into a new filter through its
// IPersistStream from a memory stream: Load answers S_OK with the record's nine values
// or an error with the settings unchanged. Input beyond the 56 bytes picks a stream
// format and float samples that then run through the engine with the loaded values,
// which are not clamped.

#include <algorithm>
#include <cstring>
#include <vector>

#include "filter/CSaturationFilter.h"
#include "platform/com/ComApi.h"
#include "tests/fuzz/FuzzInputFile.h"

namespace {

void StreamThroughEngine(CFilterSettings& settings, const std::uint8_t* tail, std::size_t size)
{
    if (size < 5)
        return;
    static const WORD bitsChoice[] = {8, 16, 32, 32};
    FilterWaveFormat format{};
    format.format.wBitsPerSample = bitsChoice[tail[0] & 3];
    format.format.wFormatTag = format.format.wBitsPerSample == 32 ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
    format.format.nChannels = (tail[0] & 4) != 0 ? 2 : 1;
    std::memcpy(&format.format.nSamplesPerSec, tail + 1, 4);
    const std::size_t count = std::min<std::size_t>((size - 5) / 4, 4096) / format.format.nChannels *
                              format.format.nChannels;
    std::vector<float> samples(count + 1);
    std::memcpy(samples.data(), tail + 5, count * 4);
    FUZZ_CHECK(settings.OnFormat(&format) == S_OK);
    const int frames = static_cast<int>(count / format.format.nChannels);
    FUZZ_CHECK(settings.ProcessBlock(0, samples.data(), frames / 2) == S_OK);
    FUZZ_CHECK(settings.ProcessBlock(1, samples.data() + frames / 2 * format.format.nChannels,
                                     frames - frames / 2) == S_OK);
    settings.StopStreaming();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    HRESULT hr = S_OK;
    auto* filter = static_cast<CSaturationFilter*>(CSaturationFilter::CreateInstance(nullptr, &hr));
    FUZZ_CHECK(filter != nullptr);
    filter->NonDelegatingAddRef();
    IPersistStream* persist = nullptr;
    FUZZ_CHECK(filter->NonDelegatingQueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist)) == S_OK);
    IStream* stream = nullptr;
    FUZZ_CHECK(CreateStreamOnMemory(data, static_cast<ULONG>(size), &stream) == S_OK);

    CFilterSettings& settings = filter->Settings();
    SaturationSettings before{}, after{};
    settings.GetSettings(&before);
    const HRESULT dirty = settings.IsDirty();
    hr = persist->Load(stream);
    settings.GetSettings(&after);
    if (FAILED(hr)) {
        FUZZ_CHECK(after == before);
    } else {
        FUZZ_CHECK(hr == S_OK && size >= CFilterSettings::RecordSize);
        SaturationSettings record{};
        std::memcpy(&record, data + 20, sizeof record);
        FUZZ_CHECK(after == record);
    }
    FUZZ_CHECK(settings.IsDirty() == dirty);

    if (size > CFilterSettings::RecordSize)
        StreamThroughEngine(settings, data + CFilterSettings::RecordSize, size - CFilterSettings::RecordSize);

    stream->Release();
    persist->Release();
    filter->NonDelegatingRelease();
    return 0;
}
