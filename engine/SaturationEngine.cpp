#include "SaturationEngine.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <type_traits>

namespace {

constexpr double Factor = SaturationEngine::ScaleFactor;

// The float 0x38133459: one unit of the 15-bit random integer at a word length of 0 bits.
constexpr float DitherUnit = 3.5096284e-5f;

constexpr double GainHigh = 20.0;  // the limit the message names

// Each thread draws from its own sequence, so engines on different threads never race.
// 32-bit LCG, top 15 bits: every value 0..32767 occurs equally often over the period.
thread_local std::uint32_t randomState = 0x2545F491u;

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

// ---- The block kernel ----
//
// Written once over W double lanes and built twice: W = 4 for processors with AVX2, W = 2
// with nothing beyond the x86-64 baseline. Both do the same IEEE operations in the same
// order (no contraction), so both give the plain per-sample chain in double precision.
//
// Mono and stereo lanes are consecutive floats of the buffer (a stereo vector holds whole
// frames). A channel, or a stereo pair of channels, is walked in runs of RunLength floats:
//   front   gain and waveshaper, over lanes;
//   chain   the high-pass, serial per channel (a pair runs both recurrences side by side);
//   power   the soft clip's exponential, over lanes;
//   finish  clip, dither, the soft clip's rounding test, output and peaks, over lanes.
// The chain of the next run steps along inside the power and finish loops of the current
// one, so that its long dependency overlaps their independent work.

// One step of the dither generator, x -> mul * x + add (mod 2^32), and its powers, so that
// each lane can draw the sample it stands for: channel 0's draws come first, then channel 1's.
struct Lcg {
    std::uint32_t mul;
    std::uint32_t add;

    std::uint32_t operator()(std::uint32_t x) const noexcept { return mul * x + add; }
};

constexpr Lcg DrawStep{1664525u, 1013904223u};

// The generator advanced n draws.
Lcg Advance(std::uint32_t n) noexcept
{
    Lcg result{1u, 0u};
    Lcg power = DrawStep;
    for (; n != 0; n >>= 1) {
        if (n & 1u) result = {power.mul * result.mul, power.mul * result.add + power.add};
        power = {power.mul * power.mul, power.mul * power.add + power.add};
    }
    return result;
}

// Values the chain reads, as doubles.
struct Terms {
    double gain, c1, c2, c3, c4, a, ceiling, absCeiling, base, zScale, step;
};

struct ChannelState {
    float h;  // last high-pass output
    float p;  // last waveshaper output
};

// Everything one Process call hands to the kernel and gets back.
struct Block {
    float* buffer;
    int frames;
    int channels;
    Terms terms;
    ChannelState state[2];
    std::uint32_t random;
    float peakIn;
    float peakOut;
};

typedef double D4 __attribute__((vector_size(32)));
typedef float F4 __attribute__((vector_size(16)));
typedef std::uint64_t Q4 __attribute__((vector_size(32)));
typedef std::uint32_t U4 __attribute__((vector_size(16)));
typedef std::int32_t S4 __attribute__((vector_size(16)));
typedef double D2 __attribute__((vector_size(16)));
typedef float F2 __attribute__((vector_size(8)));
typedef std::uint64_t Q2 __attribute__((vector_size(16)));
typedef std::uint32_t U2 __attribute__((vector_size(8)));
typedef std::int32_t S2 __attribute__((vector_size(8)));

// D: doubles; F: floats; Q: bits of D; U: bits of F and generator states; S: float masks
// and 15-bit draws.
template <int W> struct Lanes;
template <> struct Lanes<4> { using D = D4; using F = F4; using Q = Q4; using U = U4; using S = S4; };
template <> struct Lanes<2> { using D = D2; using F = F2; using Q = Q2; using U = U2; using S = S2; };

constexpr int RunLength = 256;  // floats; a multiple of W and of 2

// The helpers below are always inlined into the two entry points, so no 32-byte vector
// crosses a call built without AVX. (Templates are instantiated at the end of the file,
// so the warning stays off to there.)
#pragma GCC diagnostic ignored "-Wpsabi"
#define CALYRIX_INLINE [[gnu::always_inline]] inline

// std::bit_cast, always inlined (a call would pass the vector the baseline way).
template <typename To, typename From>
CALYRIX_INLINE To As(const From& v) noexcept
{
    return __builtin_bit_cast(To, v);
}

// Lane by lane, which the compiler turns into one widening conversion.
template <int W, typename V>
CALYRIX_INLINE typename Lanes<W>::D Widen(const V& x) noexcept
{
    if constexpr (W == 4) return typename Lanes<W>::D{double(x[0]), double(x[1]), double(x[2]), double(x[3])};
    else return typename Lanes<W>::D{double(x[0]), double(x[1])};
}

template <int W>
CALYRIX_INLINE typename Lanes<W>::F Narrow(typename Lanes<W>::D x) noexcept
{
    return __builtin_convertvector(x, typename Lanes<W>::F);
}

template <int W>
CALYRIX_INLINE typename Lanes<W>::D Abs(typename Lanes<W>::D v) noexcept
{
    using Q = typename Lanes<W>::Q;
    return As<typename Lanes<W>::D>(As<Q>(v) & 0x7fffffffffffffffu);
}

template <int W>
CALYRIX_INLINE typename Lanes<W>::F Abs(typename Lanes<W>::F v) noexcept
{
    using U = typename Lanes<W>::U;
    return As<typename Lanes<W>::F>(As<U>(v) & 0x7fffffffu);
}

// peak = |v| where that is larger, lane by lane; a NaN never raises a peak.
template <int W, typename V>
CALYRIX_INLINE void RaisePeak(V& peak, V v) noexcept
{
    const V a = Abs<W>(v);
    peak = a > peak ? a : peak;
}

template <int W, typename V>
CALYRIX_INLINE float Largest(const V& peak) noexcept
{
    float m = 0.0f;
    for (int k = 0; k < W; ++k)
        if (peak[k] > m) m = static_cast<float>(peak[k]);
    return m;
}

// Whether a float comparison holds in every lane.
template <int W>
CALYRIX_INLINE bool AllSet(typename Lanes<W>::S m) noexcept
{
    if constexpr (W == 4) {
        const Q2 halves = As<Q2>(m);
        return (halves[0] & halves[1]) == ~std::uint64_t{0};
    } else {
        return As<std::uint64_t>(m) == ~std::uint64_t{0};
    }
}

// W floats at p, p + stride, ... widened to doubles; lanes past left are 0.
template <int W>
CALYRIX_INLINE typename Lanes<W>::D Load(const float* p, int stride, int left) noexcept
{
    if (stride == 1 && left >= W) return Widen<W>(p);
    typename Lanes<W>::D x{};
    for (int k = 0; k < W && k < left; ++k) x[k] = p[k * stride];
    return x;
}

// The first left lanes of v to p, p + stride, ..., and into the peak.
template <int W>
CALYRIX_INLINE void Store(float* p, int stride, typename Lanes<W>::F v, int left,
                          typename Lanes<W>::F& peak) noexcept
{
    if (stride == 1 && left >= W) {
        std::memcpy(p, &v, sizeof v);
    } else {
        for (int k = 0; k < W; ++k) {
            if (k < left) p[k * stride] = v[k];
            else v[k] = 0.0f;
        }
    }
    RaisePeak<W>(peak, v);
}

// exp(z) for |z| <= 700, within 2^-50 relative: z = k ln 2 + r with |r| <= ln 2 / 2 (plus
// rounding), k ln 2 in two parts of which the first times k is exact; e^r by its Taylor
// polynomial of degree 13 (truncation below 2^-57) in Estrin's scheme for a short dependency
// chain, which rounds to within 5 * 2^-53 of its value on that interval; 2^k built in the
// exponent field.
template <int W>
CALYRIX_INLINE typename Lanes<W>::D Exp(typename Lanes<W>::D z) noexcept
{
    using D = typename Lanes<W>::D;
    using Q = typename Lanes<W>::Q;
    constexpr double Log2e = 0x1.71547652b82fep0;
    constexpr double Ln2Hi = 0x1.62e42fee00000p-1;
    constexpr double Ln2Lo = 0x1.a39ef35793c76p-33;
    constexpr double Shifter = 0x1.8p52;  // adding it rounds to an integer in the low bits
    constexpr double F2 = 1.0 / 2, F3 = F2 / 3, F4 = F3 / 4, F5 = F4 / 5, F6 = F5 / 6,
                     F7 = F6 / 7, F8 = F7 / 8, F9 = F8 / 9, F10 = F9 / 10, F11 = F10 / 11,
                     F12 = F11 / 12, F13 = F12 / 13;

    const D shifted = z * Log2e + Shifter;
    const D k = shifted - Shifter;
    const D r = (z - k * Ln2Hi) - k * Ln2Lo;
    const D r2 = r * r;
    const D r4 = r2 * r2;
    const D r8 = r4 * r4;
    const D p0 = (1.0 + r) + (F2 + F3 * r) * r2;
    const D p1 = (F4 + F5 * r) + (F6 + F7 * r) * r2;
    const D p2 = (F8 + F9 * r) + (F10 + F11 * r) * r2;
    const D p3 = F12 + F13 * r;
    const D poly = (p0 + p1 * r4) + (p2 + p3 * r4) * r8;
    const Q bits = As<Q>(shifted) - As<std::uint64_t>(Shifter);
    return poly * As<D>((bits + 1023u) << 52);
}

// The soft clip t = base^(s/L), v = (1 - 2/(t+1)) * L + d, as the power function gives it.
CALYRIX_INLINE double ExactSoftClip(double s, double d, const Terms& t) noexcept
{
    const double power = std::pow(t.base, s / t.ceiling);
    return (1.0 - 2.0 / (power + 1.0)) * t.ceiling + d;
}

// t = exp(s * (ln base / L)) in place of the power function. Beyond |z| = 700 the curve is
// flat (from |z| = 40 on, t + 1 rounds to t or to 1), so z is clamped there.
template <int W>
CALYRIX_INLINE typename Lanes<W>::D SoftClipPower(typename Lanes<W>::D s, const Terms& t) noexcept
{
    using D = typename Lanes<W>::D;
    D z = s * t.zScale;
    z = z > 700.0 ? D{} + 700.0 : z;
    z = z < -700.0 ? D{} - 700.0 : z;
    return Exp<W>(z);
}

// v from that t, and whether it rounds to the float that the power function's v would.
//
// Against pow(base, s/L) (within one unit in the last place), z carries at most 5 * 2^-53
// relative error and Exp 2^-50, so t differs by at most (|z| * 5 + 10) * 2^-53 relative.
// The curve's slope in t is 2t/(t+1)^2 = 1 / (2 cosh^2(z/2)), small where |z| is large, so
// v moves by less than 7.3 * 2^-53 * |L|. The rest of the chain, rounded in each of the two
// computations, adds at most 6 * 2^-53 * |L| + 2^-53 * |v| each. In all less than
// (|L| + |v|) * 2^-48; e is four times that. When v - e and v + e round to the same float,
// so does the power function's v, which lies between them. Where s is 0, z is 0 (for any
// base > 0) and both give t = 1 exactly.
template <int W>
CALYRIX_INLINE typename Lanes<W>::S SoftClip(typename Lanes<W>::D s, typename Lanes<W>::D power,
                                             typename Lanes<W>::D d, const Terms& t,
                                             typename Lanes<W>::D& v) noexcept
{
    using D = typename Lanes<W>::D;
    v = (1.0 - 2.0 / (power + 1.0)) * t.ceiling + d;
    const D e = s == 0.0 ? D{} : (t.absCeiling + Abs<W>(v)) * 0x1p-46;
    return Narrow<W>(v - e) == Narrow<W>(v + e);
}

// The dither draws of W lanes: each lane holds the generator state of its own next draw.
template <int W>
struct Draws {
    typename Lanes<W>::U state;
    Lcg step;

    CALYRIX_INLINE typename Lanes<W>::D Next(double scale) noexcept
    {
        const typename Lanes<W>::S r = As<typename Lanes<W>::S>(state >> 17);
        state = state * step.mul + step.add;
        return Widen<W>(r) * scale;
    }
};

// A value rounded to float, kept as double.
CALYRIX_INLINE double ToFloat(double x) noexcept
{
    return static_cast<float>(x);
}

CALYRIX_INLINE D2 ToFloat(D2 x) noexcept
{
    return Widen<2>(__builtin_convertvector(x, F2));
}

// The high-pass state of one channel, or of a pair whose samples alternate (both channels
// in one vector).
template <bool Pair>
struct Chain {
    using V = std::conditional_t<Pair, D2, double>;
    static constexpr int C = Pair ? 2 : 1;
    V h;  // as floats
    V p;

    // n samples of run from first on (first and n even for a pair), shaped in, filtered out.
    CALYRIX_INLINE void Filter(double* run, int first, int n, double a) noexcept
    {
        for (int i = first; i < first + n; i += C) {
            V s;
            std::memcpy(&s, run + i, sizeof s);
            const V w = (s - p + h) * a;
            h = ToFloat(w);
            p = ToFloat(s);
            std::memcpy(run + i, &w, sizeof w);
        }
    }

    // Up to chunk more of the n samples of run, of which done have been filtered.
    CALYRIX_INLINE void FilterOn(double* run, int& done, int chunk, int n, double a) noexcept
    {
        if (done < n) {
            const int m = std::min(chunk, n - done);
            Filter(run, done, m, a);
            done += m;
        }
    }
};

template <int W>
struct Peaks {
    typename Lanes<W>::D in;
    typename Lanes<W>::F out;
};

// Gain and waveshaper of n samples at data (every stride-th float) into run.
template <int W, bool Tube>
CALYRIX_INLINE void Front(const float* data, int stride, int n, double* run, const Terms& t,
                          Peaks<W>& peaks) noexcept
{
    using D = typename Lanes<W>::D;
    for (int i = 0; i < n; i += W) {
        const D x = Load<W>(data + static_cast<std::ptrdiff_t>(i) * stride, stride, n - i);
        RaisePeak<W>(peaks.in, x);
        D s = x * t.gain;
        if constexpr (Tube)
            s = s * (1.0 - t.c1 * s - t.c2 * s * s - t.c3 * s * s * s - t.c4 * s * s * s * s);
        std::memcpy(run + i, &s, sizeof s);
    }
}

// Clip and dither of the W samples at run + i to data + i * stride (n - i of them left),
// with the soft clip's t from power. A soft clip that may round otherwise than through the
// power function (a few in a million samples at ordinary levels, and every NaN) is settled
// by it.
template <int W, bool Tape>
CALYRIX_INLINE void Finish(float* data, int stride, int i, int n, const double* run, const double* power,
                           const Terms& t, Draws<W>& draws, Peaks<W>& peaks) noexcept
{
    using D = typename Lanes<W>::D;
    D s;
    std::memcpy(&s, run + i, sizeof s);
    const D d = draws.Next(t.step);
    D v;
    if constexpr (Tape) {
        if (t.ceiling == 0.0) {
            v = d + 0.0;  // the curve collapses to 0 and 0/0 would give NaN
        } else {
            D u;
            std::memcpy(&u, power + i, sizeof u);
            const typename Lanes<W>::S sure = SoftClip<W>(s, u, d, t, v);
            if (!AllSet<W>(sure)) {
                for (int k = 0; k < W && i + k < n; ++k)
                    if (!sure[k]) v[k] = ExactSoftClip(s[k], d[k], t);
            }
        }
    } else {
        s = s > 1.0 ? D{} + 1.0 : s;
        s = s < -1.0 ? D{} - 1.0 : s;
        v = s + d;
    }
    Store<W>(data + static_cast<std::ptrdiff_t>(i) * stride, stride, Narrow<W>(v), n - i, peaks.out);
}

// n samples at data, every stride-th float: one channel, or a stereo pair (stride 1).
template <int W, bool Tube, bool Tape, bool Pair>
CALYRIX_INLINE void WalkLane(float* data, int stride, int n, const Terms& t, ChannelState* state,
                             Draws<W>& draws, Peaks<W>& peaks) noexcept
{
    using D = typename Lanes<W>::D;
    alignas(32) double shaped[2][RunLength];
    alignas(32) double power[RunLength];
    Chain<Pair> chain;
    if constexpr (Pair) {
        chain.h = D2{state[0].h, state[1].h};
        chain.p = D2{state[0].p, state[1].p};
    } else {
        chain.h = state[0].h;
        chain.p = state[0].p;
    }
    // The next run's high-pass steps along in both loops over this run, chunk samples per
    // vector, so that its serial dependency overlaps their independent work.
    const int chunk = std::max(chain.C, W / 2);

    int cur = 0;
    Front<W, Tube>(data, stride, std::min(n, RunLength), shaped[cur], t, peaks);
    if constexpr (Tube) chain.Filter(shaped[cur], 0, std::min(n, RunLength), t.a);
    for (int first = 0; first < n; first += RunLength, cur ^= 1) {
        const int len = std::min(RunLength, n - first);
        const int nextLen = std::max(0, std::min(RunLength, n - first - RunLength));
        float* const at = data + static_cast<std::ptrdiff_t>(first) * stride;
        double* const next = shaped[cur ^ 1];
        if (nextLen > 0)
            Front<W, Tube>(at + static_cast<std::ptrdiff_t>(RunLength) * stride, stride, nextLen, next, t, peaks);
        int filtered = 0;
        for (int i = 0; i < len; i += W) {
            if constexpr (Tape) {
                D s;
                std::memcpy(&s, shaped[cur] + i, sizeof s);
                const D u = SoftClipPower<W>(s, t);
                std::memcpy(power + i, &u, sizeof u);
            }
            if constexpr (Tube) chain.FilterOn(next, filtered, chunk, nextLen, t.a);
        }
        for (int i = 0; i < len; i += W) {
            Finish<W, Tape>(at, stride, i, len, shaped[cur], power, t, draws, peaks);
            if constexpr (Tube) chain.FilterOn(next, filtered, chunk, nextLen, t.a);
        }
    }
    if constexpr (Pair) {
        for (int c = 0; c < 2; ++c) state[c] = {static_cast<float>(chain.h[c]), static_cast<float>(chain.p[c])};
    } else {
        state[0] = {static_cast<float>(chain.h), static_cast<float>(chain.p)};
    }
}

// Draws for lanes that stand for draw numbers first[k], first[k] + step, ...
template <int W>
CALYRIX_INLINE Draws<W> DrawsFrom(std::uint32_t random, const std::uint32_t (&first)[W], std::uint32_t step) noexcept
{
    Draws<W> draws{};
    for (int k = 0; k < W; ++k) draws.state[k] = Advance(first[k] + 1)(random);
    draws.step = Advance(step);
    return draws;
}

// The block: channel 0 then channel 1 as far as the dither and the filter state go. Every
// channel past the second (which no caller configures) shares the second state slot.
template <int W, bool Tube, bool Tape>
CALYRIX_INLINE void WalkBlock(Block& b) noexcept
{
    Peaks<W> peaks{};
    const auto frames = static_cast<std::uint32_t>(b.frames);
    if (b.channels == 2) {
        std::uint32_t first[W];
        for (int k = 0; k < W; ++k) first[k] = (k & 1) * frames + k / 2;
        Draws<W> draws = DrawsFrom<W>(b.random, first, W / 2);
        WalkLane<W, Tube, Tape, true>(b.buffer, 1, 2 * b.frames, b.terms, b.state, draws, peaks);
    } else {
        for (int ch = 0; ch < b.channels; ++ch) {
            std::uint32_t first[W];
            for (int k = 0; k < W; ++k) first[k] = ch * frames + k;
            Draws<W> draws = DrawsFrom<W>(b.random, first, W);
            WalkLane<W, Tube, Tape, false>(b.buffer + ch, b.channels, b.frames, b.terms,
                                           &b.state[ch < 2 ? ch : 1], draws, peaks);
        }
    }
    b.peakIn = Largest<W>(peaks.in);
    b.peakOut = Largest<W>(peaks.out);
    b.random = Advance(frames * static_cast<std::uint32_t>(b.channels))(b.random);
}

template <int W>
CALYRIX_INLINE void Walk(Block& b, bool tube, bool tape) noexcept
{
    if (tube) {
        if (tape) WalkBlock<W, true, true>(b);
        else WalkBlock<W, true, false>(b);
    } else {
        if (tape) WalkBlock<W, false, true>(b);
        else WalkBlock<W, false, false>(b);
    }
}

__attribute__((target("avx2"))) void WalkAvx2(Block& b, bool tube, bool tape) noexcept
{
    Walk<4>(b, tube, tape);
}

void WalkPortable(Block& b, bool tube, bool tape) noexcept
{
    Walk<2>(b, tube, tape);
}

#undef CALYRIX_INLINE

bool DetectAvx2() noexcept
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

const bool cpuHasAvx2 = DetectAvx2();
std::atomic<bool> avx2Allowed{true};

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

void SaturationEngine::AllowAvx2ForTesting(bool allow) noexcept
{
    avx2Allowed.store(allow, std::memory_order_relaxed);
}

void SaturationEngine::Process(float* buffer, int frames) noexcept
{
    errorFlag = 0;
    peakIn = 0.0f;
    peakOut = 0.0f;
    sampleCount = frames * channels;
    if (channels <= 0) return;

    if (sampleCount > 0) {
        const double ceiling = clipCeiling;
        const double base = clipBase;
        Block b{};
        b.buffer = buffer;
        b.frames = frames;
        b.channels = channels;
        b.terms = {gain, shape1, shape2, shape3, shape4, highPassCoeff, ceiling, std::fabs(ceiling), base,
                   base > 0.0 ? std::log(base) / ceiling : std::nan(""), ditherScale};
        b.state[0] = {highPassState[0], previousShaped[0]};
        b.state[1] = {highPassState[1], previousShaped[1]};
        b.random = randomState;

        if (cpuHasAvx2 && avx2Allowed.load(std::memory_order_relaxed))
            WalkAvx2(b, tubeOn != 0, tapeOn != 0);
        else
            WalkPortable(b, tubeOn != 0, tapeOn != 0);

        for (int slot = 0; slot < 2; ++slot) {
            highPassState[slot] = b.state[slot].h;
            previousShaped[slot] = b.state[slot].p;
        }
        randomState = b.random;
        peakIn = b.peakIn;
        peakOut = b.peakOut;
        currentSample = buffer[sampleCount - 1];  // the last sample walked
    }
    sampleIndex = sampleCount;
    channelIndex = channels;
}
