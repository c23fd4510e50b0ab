#include "SaturationEngine.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstddef>
#include <utility>

namespace {

constexpr double Factor = SaturationEngine::ScaleFactor;

// The float 0x38133459: one unit of the 15-bit random integer at a word length of 0 bits.
constexpr float DitherUnit = 3.5096284e-5f;

constexpr double GainHigh = 20.0;  // the limit the message names

// Each thread draws from its own sequence, so engines on different threads never race.
// 32-bit LCG, top 15 bits: every value 0..32767 occurs equally often over the period.
thread_local std::uint32_t randomState = 0x2545F491u;

inline int NextRandom(std::uint32_t& state) noexcept
{
    state = state * 1664525u + 1013904223u;
    return static_cast<int>(state >> 17);
}

// Truncation toward zero that saturates instead of overflowing; NaN gives 0.
inline int TruncToInt(double v) noexcept
{
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT_MAX;
    if (v <= -2147483648.0) return INT_MIN;
    return static_cast<int>(v);
}

int PeakDb(float peak) noexcept
{
    if (peak == 0.0f) return INT_MIN;
    return TruncToInt(20.0 * std::log10(static_cast<double>(peak)));
}

const char* FormatLevel(char* out, std::size_t size, double value) noexcept
{
    if (value > 0.0)
        std::snprintf(out, size, "%.1f dB", 20.0 * std::log10(value));
    else
        std::snprintf(out, size, "-Inf dB");
    return out;
}

// The soft clip t = base^(s/L), (1 - 2/(t+1)) * L, plus the dither d, exactly as the power
// function would give it, at the cost of an exponential instead of a power.
//
// exp(y * ln base) differs from pow(base, y) by at most (1 + |y ln base|) * 2^-51 relative
// (both within one unit in the last place, plus the rounding of ln base and of the product).
// Through the curve, whose slope in t is 2L t/(t+1)^2, that moves v by less than |L| * 2^-51;
// the rounding of the rest of the chain, done twice, adds less than |L| * 2^-49.4 + |v| * 2^-52.
// Every step of the chain is monotonic in t, so when the whole interval v -+ e (e eight times
// that bound) rounds to one float, the power function's v rounds to it too. Otherwise, about
// once in millions of samples, the power function itself decides.
inline double SoftClip(double s, double ceiling, double base, double logBase, double d) noexcept
{
    const double y = s / ceiling;
    const double z = y * logBase;
    if (std::fabs(z) < 700.0) {
        const double t = std::exp(z);
        const double v = (1.0 - 2.0 / (t + 1.0)) * ceiling + d;
        const double e = (std::fabs(ceiling) + std::fabs(v)) * 0x1p-46;
        if (static_cast<float>(v - e) == static_cast<float>(v + e)) return v;
    }
    const double t = std::pow(base, y);
    return (1.0 - 2.0 / (t + 1.0)) * ceiling + d;
}

}  // namespace

SaturationEngine::SaturationEngine() noexcept
    : gain(1.0f), mix(0.1f), character(1.0f), dynamics(0.25f), knee(0.0f), limiter(1.0f),
      tubeOn(1), tapeOn(1), ditherOn(1), bitsPerSample(16), sampleRate(44100), channels(1),
      levelText{}, shape1(0), shape2(0), shape3(0), shape4(0), highPassCoeff(0), clipCeiling(0),
      clipBase(0), fullScale(0), ditherScale(0), currentSample(0), peakIn(0), peakOut(0),
      highPassState{}, previousShaped{}, sampleIndex(0), channelIndex(0), sampleCount(0),
      errorFlag(0), errorText{}
{
    SetFormat(16, 44100, 1);
    errorFlag = 0;
    std::strcpy(errorText, "No error");
}

SaturationEngine::~SaturationEngine() = default;

void SaturationEngine::SeedRandomForTesting(std::uint32_t seed) noexcept
{
    randomState = seed;
}

void SaturationEngine::SetFormat(int bits, int rate, int channelCount) noexcept
{
    sampleRate = rate;
    channels = channelCount;
    bitsPerSample = static_cast<std::int16_t>(bits);
    errorFlag = 0;
    fullScale = static_cast<float>(std::pow(2.0, bitsPerSample) - 1.0);
    highPassState[0] = highPassState[1] = 0.0f;
    previousShaped[0] = previousShaped[1] = 0.0f;
    UpdateShapeTerms();
    UpdateClipTerms();
    UpdateHighPass();
    UpdateDitherScale();
}

void SaturationEngine::UpdateShapeTerms() noexcept
{
    const double m = mix;
    const double c = character;
    shape1 = mix;
    shape2 = static_cast<float>(m * std::pow(0.25, c));
    shape3 = static_cast<float>(m * std::pow(0.25, 2.0 * c));
    shape4 = static_cast<float>(m * std::pow(0.25, 4.0 * c));
}

void SaturationEngine::UpdateClipTerms() noexcept
{
    clipCeiling = limiter;
    clipBase = static_cast<float>(8.0 - static_cast<double>(knee));
}

void SaturationEngine::UpdateHighPass() noexcept
{
    const double r = static_cast<double>(sampleRate) * static_cast<double>(dynamics);
    highPassCoeff = static_cast<float>(r / (r + 1.0));
}

void SaturationEngine::UpdateDitherScale() noexcept
{
    ditherScale = static_cast<float>(ditherOn * static_cast<double>(DitherUnit) /
                                     static_cast<double>(fullScale));
}

void SaturationEngine::RangeError(const char* message) noexcept
{
    errorFlag = 1;
    std::snprintf(errorText, sizeof errorText, "%s", message);
}

void SaturationEngine::SetGain(int a) noexcept
{
    errorFlag = 0;
    const double v = -static_cast<double>(a) * Factor;
    gain = static_cast<float>(v);
    if (v < -0.001 || v > GainHigh)
        RangeError("Gain cannot be less than 0 or greater than 20.\n");
}

void SaturationEngine::SetMix(int a) noexcept
{
    errorFlag = 0;
    const double v = std::pow(10.0, -static_cast<double>(a) * Factor);
    mix = static_cast<float>(v);
    if (v < 1e-7 || v > 20.0001)
        RangeError("Mix is out of range.\n");
    UpdateShapeTerms();
}

void SaturationEngine::SetCharacter(int a) noexcept
{
    errorFlag = 0;
    const double v = static_cast<double>(a) * Factor;
    character = static_cast<float>(v);
    if (v < -2.001 || v > 10.001)
        RangeError("Character is out of range.\n");
    UpdateShapeTerms();
}

void SaturationEngine::SetDynamics(int a) noexcept
{
    // Unlike every other setter this one leaves errorFlag as it was.
    const double v = -static_cast<double>(a) * Factor;
    dynamics = static_cast<float>(v);
    if (v < 0.0 || v > 100.0)
        RangeError("Dynamics is out of range.\n");
    UpdateHighPass();
}

void SaturationEngine::SetKnee(int a) noexcept
{
    errorFlag = 0;
    const double v = -static_cast<double>(a) * Factor;
    knee = static_cast<float>(v);
    if (v < -6.999 || v > 6.999)
        RangeError("Knee is out of range.\n");
    UpdateClipTerms();
}

void SaturationEngine::SetLimiter(int a) noexcept
{
    errorFlag = 0;
    const double v = -static_cast<double>(a) * Factor;
    limiter = static_cast<float>(v);
    if (v < -0.001 || v > 1.0001)
        RangeError("Limiter cannot be less than 0 or greater than 1.\n");
    UpdateClipTerms();
}

int SaturationEngine::GetGain() noexcept
{
    errorFlag = 0;
    return TruncToInt(gain * -1000.0);
}

int SaturationEngine::GetMix() noexcept
{
    errorFlag = 0;
    return TruncToInt(-1000.0 * std::log10(static_cast<double>(mix)));
}

int SaturationEngine::GetCharacter() noexcept
{
    errorFlag = 0;
    return TruncToInt(character * 1000.0);
}

int SaturationEngine::GetDynamics() noexcept
{
    errorFlag = 0;
    return TruncToInt(dynamics * -1000.0);
}

int SaturationEngine::GetKnee() noexcept
{
    errorFlag = 0;
    return TruncToInt(knee * -1000.0);
}

int SaturationEngine::GetLimiter() noexcept
{
    errorFlag = 0;
    return TruncToInt(limiter * -1000.0);
}

void SaturationEngine::SetTube(int a) noexcept
{
    errorFlag = 0;
    tubeOn = a != 0;
}

void SaturationEngine::SetTape(int a) noexcept
{
    errorFlag = 0;
    tapeOn = a != 0;
}

void SaturationEngine::SetDither(int a) noexcept
{
    errorFlag = 0;
    ditherOn = a != 0;
    UpdateDitherScale();
}

int SaturationEngine::GetTube() noexcept
{
    errorFlag = 0;
    return tubeOn;
}

int SaturationEngine::GetTape() noexcept
{
    errorFlag = 0;
    return tapeOn;
}

int SaturationEngine::GetDither() noexcept
{
    errorFlag = 0;
    return ditherOn;
}

int SaturationEngine::GetInputPeakDb() const noexcept
{
    return PeakDb(peakIn);
}

int SaturationEngine::GetOutputPeakDb() const noexcept
{
    return PeakDb(peakOut);
}

const char* SaturationEngine::GetGainText() noexcept
{
    return FormatLevel(levelText, sizeof levelText, gain);
}

const char* SaturationEngine::GetLimiterText() noexcept
{
    return FormatLevel(levelText, sizeof levelText, limiter);
}

const char* SaturationEngine::GainLevelText(int a) noexcept
{
    static char text[16];
    return FormatLevel(text, sizeof text, -static_cast<double>(a) * Factor);
}

const char* SaturationEngine::LimiterLevelText(int a) noexcept
{
    static char text[16];
    return FormatLevel(text, sizeof text, -static_cast<double>(a) * Factor);
}

void SaturationEngine::Process(float* buffer, int frames) noexcept
{
    errorFlag = 0;
    peakIn = 0.0f;
    peakOut = 0.0f;
    sampleCount = frames * channels;
    if (channels <= 0) return;

    // The stage switches are fixed for the block, so the kernel is chosen once here.
    if (tubeOn) {
        if (tapeOn) ProcessChannels<true, true>(buffer);
        else ProcessChannels<true, false>(buffer);
    } else {
        if (tapeOn) ProcessChannels<false, true>(buffer);
        else ProcessChannels<false, false>(buffer);
    }
}

// Every term is copied to a local first: the buffer is float, like the fields, so
// the compiler would otherwise reload each field after every store to the buffer.
// One sample's chain is worked in double; only state, peaks and output are stored as float.
//
// A channel is worked in runs, software-pipelined: the loop shapes run k+1 (gain, tube and
// high-pass, a serial chain through the filter state) while it finishes run k (clip and
// dither, independent per sample), so the processor overlaps the two. The random draws
// still follow the sample order.
template <bool Tube, bool Tape>
void SaturationEngine::ProcessChannels(float* buffer) noexcept
{
    constexpr int Run = 64;
    const int count = sampleCount;
    const int stride = channels;
    const double g = gain;
    const double c1 = shape1, c2 = shape2, c3 = shape3, c4 = shape4;
    const double a = highPassCoeff;
    const double ceiling = clipCeiling;
    const double base = clipBase;
    const double logBase = base > 0.0 ? std::log(base) : std::nan("");
    const double step = ditherScale;
    float inPeak = 0.0f;
    float outPeak = 0.0f;
    float last = currentSample;
    std::uint32_t random = randomState;
    double runA[Run], runB[Run];

    int ch = 0;
    for (; ch < stride; ++ch) {
        // Only slots 0 and 1 exist; a wider format reuses the last one rather than overrun.
        const int slot = ch < 2 ? ch : 1;
        float hState = highPassState[slot];
        float pState = previousShaped[slot];
        float* const lane = buffer + ch;
        const int samples = count > ch ? (count - ch + stride - 1) / stride : 0;

        const auto shape = [&](int j) -> double {
            const float x = lane[static_cast<std::ptrdiff_t>(j) * stride];
            const float ax = std::fabs(x);
            if (ax > inPeak) inPeak = ax;
            double s = x * g;
            if constexpr (Tube) {
                s = s * (1.0 - c1 * s - c2 * s * s - c3 * s * s * s - c4 * s * s * s * s);
                const double h = (s - pState + hState) * a;
                hState = static_cast<float>(h);
                pState = static_cast<float>(s);
                s = h;
            }
            return s;
        };
        const auto finish = [&](int j, double s) {
            const double d = NextRandom(random) * step;
            double v;
            if constexpr (Tape) {
                if (ceiling == 0.0)
                    v = 0.0 + d;  // the curve collapses to 0 and 0/0 would give NaN
                else
                    v = SoftClip(s, ceiling, base, logBase, d);
            } else {
                if (s > 1.0) s = 1.0;
                else if (s < -1.0) s = -1.0;
                v = s + d;
            }
            const double av = std::fabs(v);
            if (av > outPeak) outPeak = static_cast<float>(av);
            last = static_cast<float>(v);
            lane[static_cast<std::ptrdiff_t>(j) * stride] = last;
        };

        double* cur = runA;
        double* next = runB;
        int curFirst = 0;
        int curCount = samples < Run ? samples : Run;
        for (int k = 0; k < curCount; ++k) cur[k] = shape(k);
        while (curCount > 0) {
            const int nextFirst = curFirst + curCount;
            const int left = samples - nextFirst;
            const int nextCount = left < Run ? left : Run;
            const int both = nextCount < curCount ? nextCount : curCount;
            int k = 0;
            for (; k < both; ++k) {
                next[k] = shape(nextFirst + k);
                finish(curFirst + k, cur[k]);
            }
            for (int m = k; m < nextCount; ++m) next[m] = shape(nextFirst + m);
            for (int m = k; m < curCount; ++m) finish(curFirst + m, cur[m]);
            std::swap(cur, next);
            curFirst = nextFirst;
            curCount = nextCount;
        }
        highPassState[slot] = hState;
        previousShaped[slot] = pState;
    }

    randomState = random;
    peakIn = inPeak;
    peakOut = outPeak;
    currentSample = last;
    sampleIndex = count;
    channelIndex = ch;
}
