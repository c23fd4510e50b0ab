#include "pcm/SampleConverter.h"

#include <cmath>
#include <cstring>

namespace {

bool ValidBits(int bits) { return bits == 8 || bits == 16; }
bool ValidChannels(int channels) { return channels == 1 || channels == 2; }

}  // namespace

void SampleConverter::SetFormats(int outBits, int outChannels, int inBits, int inChannels) noexcept
{
    if (ValidBits(outBits)) outputBits = std::int16_t(outBits);
    if (ValidChannels(outChannels)) outputChannels = outChannels;
    if (ValidBits(inBits)) inputBits = std::int16_t(inBits);
    if (ValidChannels(inChannels)) inputChannels = inChannels;
}

int SampleConverter::ToFloat(const void* pcm, int byteCount, float* samples) noexcept
{
    int count = 0;
    if (byteCount > 0) {
        const auto* bytes = static_cast<const unsigned char*>(pcm);
        if (inputBits == 8) {
            count = byteCount;
            for (int i = 0; i < count; ++i) samples[i] = float(int(bytes[i]) - 128) * 0.0078125f;
        } else {
            count = byteCount / 2;
            for (int i = 0; i < count; ++i) {
                std::int16_t s;
                std::memcpy(&s, bytes + 2 * i, 2);
                samples[i] = float(s) * 0.000030517578125f;
            }
        }
    }
    frames = count / inputChannels;
    return frames;
}

std::uint8_t SampleConverter::ToPcm8(float sample) noexcept
{
    if (std::isnan(sample)) return 0x80;
    const double v = (double(sample) + 1.0) * 128.0;
    if (v >= 255.0) return 255;
    if (v <= 0.0) return 0;
    return std::uint8_t(v);
}

int SampleConverter::ToPcm(const float* samples, int frameCount, void* pcm) noexcept
{
    outputSamples = frameCount > 0 ? frameCount * outputChannels : 0;
    auto* bytes = static_cast<unsigned char*>(pcm);
    if (outputBits == 8) {
        for (int i = 0; i < outputSamples; ++i) bytes[i] = ToPcm8(samples[i]);
        outputBytes = outputSamples;
    } else {
        auto* view = static_cast<std::int16_t*>(pcm);  // the byte buffer seen as 16-bit samples
        for (int i = 0; i < outputSamples; ++i) view[i] = ToPcm16(samples[i]);
        outputBytes = outputSamples * 2;
    }
    return outputBytes;
}
