#pragma once

#include <cstdint>

// Tube and tape saturation of interleaved 32-bit float blocks (full scale +-1.0,
// one or two channels), processed in place. Parameters cross the interface as
// integers in thousandths; see ParameterTable.h for the ranges.
//
// The engine has no lock: its owner serialises every call on an instance.
class SaturationEngine {
public:
    SaturationEngine() noexcept;
    virtual ~SaturationEngine();

    SaturationEngine(const SaturationEngine&) = delete;
    SaturationEngine& operator=(const SaturationEngine&) = delete;

    void SetFormat(int bits, int sampleRate, int channels) noexcept;
    void Process(float* buffer, int frames) noexcept;

    void SetGain(int a) noexcept;
    void SetMix(int a) noexcept;
    void SetCharacter(int a) noexcept;
    void SetDynamics(int a) noexcept;
    void SetKnee(int a) noexcept;
    void SetLimiter(int a) noexcept;
    int GetGain() noexcept;
    int GetMix() noexcept;
    int GetCharacter() noexcept;
    int GetDynamics() noexcept;
    int GetKnee() noexcept;
    int GetLimiter() noexcept;

    void SetTube(int a) noexcept;
    void SetTape(int a) noexcept;
    void SetDither(int a) noexcept;
    int GetTube() noexcept;
    int GetTape() noexcept;
    int GetDither() noexcept;

    int GetErrorFlag() const noexcept { return errorFlag; }
    const char* GetErrorText() const noexcept { return errorText; }

    int GetInputPeakDb() const noexcept;
    int GetOutputPeakDb() const noexcept;

    const char* GetGainText() noexcept;
    const char* GetLimiterText() noexcept;
    static const char* GainLevelText(int a) noexcept;
    static const char* LimiterLevelText(int a) noexcept;

    static constexpr int GainSliderLow() noexcept { return -2000; }
    static constexpr int GainSliderHigh() noexcept { return 0; }
    static constexpr int SliderLow() noexcept { return -1000; }
    static constexpr int SliderHigh() noexcept { return 5000; }
    static constexpr int DynamicsSliderHigh() noexcept { return -1; }
    static constexpr int KneeSliderLow() noexcept { return -5000; }
    static constexpr int LimiterSliderHigh() noexcept { return -250; }

    // The factor of the integer scale: the float nearest 0.001.
    static constexpr float ScaleFactor = 0.001f;

    // Test seam: the per-thread generator behind the dither.
    static void SeedRandomForTesting(std::uint32_t seed) noexcept;
    // Test seam: false runs the portable kernel even on a processor with AVX2.
    static void AllowAvx2ForTesting(bool allow) noexcept;

private:
    void UpdateShapeTerms() noexcept;
    void UpdateClipTerms() noexcept;
    void UpdateHighPass() noexcept;
    void UpdateDitherScale() noexcept;
    void RangeError(const char* message) noexcept;

    float gain;
    float mix;
    float character;
    float dynamics;
    float knee;
    float limiter;
    int tubeOn;
    int tapeOn;
    int ditherOn;
    std::int16_t bitsPerSample;
    int sampleRate;
    int channels;
    char levelText[12];
    float shape1;
    float shape2;
    float shape3;
    float shape4;
    float highPassCoeff;
    float clipCeiling;
    float clipBase;
    float fullScale;
    float ditherScale;
    float currentSample;
    float peakIn;
    float peakOut;
    float highPassState[2];
    float previousShaped[2];
    int sampleIndex;
    int channelIndex;
    int sampleCount;
    int errorFlag;
    char errorText[1024];
};
