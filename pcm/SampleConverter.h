#pragma once

#include <cstdint>

// Converts between 8/16-bit PCM bytes and 32-bit float samples (full scale +-1.0).
// 8-bit: (b - 128) / 128 and back (x + 1) * 128; 16-bit: s / 32768 and back x * 32768.
// Back-conversion truncates toward zero and saturates at the ends of the sample width
// (the engine's clip reaches +1.0 and its dither goes a little beyond); NaN becomes
// silence.
class SampleConverter {
public:
    SampleConverter() noexcept = default;

    // Each value is stored only when valid (bits 8 or 16, channels 1 or 2).
    void SetFormats(int outputBits, int outputChannels, int inputBits, int inputChannels) noexcept;

    // Converts bytes of input PCM into samples; returns (and keeps) the whole frames.
    int ToFloat(const void* pcm, int byteCount, float* samples) noexcept;
    // Converts frames x output channels samples back into output PCM; returns (and keeps)
    // the byte count.
    int ToPcm(const float* samples, int frameCount, void* pcm) noexcept;

    static std::uint8_t ToPcm8(float sample) noexcept;
    static std::int16_t ToPcm16(float sample) noexcept
    {
        // Branch-free so the block loop vectorises. The float product is exact (a power-of-two
        // scale), so this equals sample x 32768.0 in double, clamped and truncated.
        float v = sample * 32768.0f;
        v = v == v ? v : 0.0f;  // NaN: silence
        v = v < 32767.0f ? v : 32767.0f;
        v = v > -32768.0f ? v : -32768.0f;
        return std::int16_t(std::int32_t(v));
    }

    int GetOutputBits() const noexcept { return outputBits; }
    int GetInputBits() const noexcept { return inputBits; }
    int GetOutputChannels() const noexcept { return outputChannels; }
    int GetInputChannels() const noexcept { return inputChannels; }
    int GetFrames() const noexcept { return frames; }
    int GetOutputBytes() const noexcept { return outputBytes; }

private:
    std::int16_t outputBits = 16;
    std::int16_t inputBits = 16;
    int outputChannels = 1;
    int inputChannels = 1;
    int frames = 0;
    int outputBytes = 0;
    int outputSamples = 0;
};
