#include "pcm/SampleConverter.h"

#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool ValidBits(int bits) { return bits == 8 || bits == 16; }
bool ValidChannels(int channels) { return channels == 1 || channels == 2; }

// ToPcm16 over count samples. Eight at a time with SSE2: the values are clamped before the
// saturating pack, so it narrows exactly as the scalar cast does.
void ToPcm16Block(const float* samples, int count, std::int16_t* out) noexcept
{
    int i = 0;
#if defined(__SSE2__)
    const __m128 scale = _mm_set1_ps(32768.0f);
    const __m128 high = _mm_set1_ps(32767.0f);
    const __m128 low = _mm_set1_ps(-32768.0f);
    auto convert = [&](const float* at) {
        __m128 v = _mm_mul_ps(_mm_loadu_ps(at), scale);
        v = _mm_and_ps(v, _mm_cmpord_ps(v, v));  // NaN: silence
        return _mm_cvttps_epi32(_mm_max_ps(_mm_min_ps(v, high), low));
    };
    for (; i + 8 <= count; i += 8) {
        const __m128i words = _mm_packs_epi32(convert(samples + i), convert(samples + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), words);
    }
#endif
    for (; i < count; ++i) out[i] = SampleConverter::ToPcm16(samples[i]);
}

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
        ToPcm16Block(samples, outputSamples, static_cast<std::int16_t*>(pcm));
        outputBytes = outputSamples * 2;
    }
    return outputBytes;
}
