#include "tools/embrel-batch/FileSummary.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

void FileSummary::Add(const float* samples, long long count, int channelCount) noexcept
{
    using F4 = float __attribute__((vector_size(16)));
    using I4 = std::int32_t __attribute__((vector_size(16)));
    channels = channelCount;
    const long long n = count * channelCount;
    // Lane j of four sees the samples of channel j % channels (four is a multiple of both
    // counts). A NaN never raises a peak, as in the scalar tail.
    F4 lanePeak{};
    I4 laneClipped{};
    long long i = 0;
    for (; i + 4 <= n; i += 4) {
        F4 x;
        std::memcpy(&x, samples + i, sizeof x);
        const F4 magnitude = x < 0.0f ? -x : x;
        lanePeak = magnitude > lanePeak ? magnitude : lanePeak;
        laneClipped -= (x >= 1.0f) | (x < -1.0f);  // a true comparison is -1
    }
    for (int j = 0; j < 4; ++j) {
        float& p = peak[j % channelCount];
        p = lanePeak[j] > p ? lanePeak[j] : p;
        clipped += laneClipped[j];
    }
    for (; i < n; ++i) {
        const float magnitude = std::fabs(samples[i]);
        float& p = peak[i % channelCount];
        p = magnitude > p ? magnitude : p;
        clipped += samples[i] >= 1.0f || samples[i] < -1.0f;
    }
    frames += count;
}

double FileSummary::PeakDb(int channel) const noexcept
{
    const float p = peak[channel];
    return p > 0.0f ? 20.0 * std::log10(double(p)) : -INFINITY;
}

std::string FileSummary::Text() const
{
    auto db = [this](int channel) {
        char text[32];
        const double v = PeakDb(channel);
        if (std::isinf(v)) return std::string("-inf");
        std::snprintf(text, sizeof text, "%.1f", v);
        return std::string(text);
    };
    std::string peaks = db(0);
    if (channels == 2) peaks.append("/").append(db(1));
    return std::to_string(frames) + " frames, peak " + peaks + " dB, " + std::to_string(clipped) + " clipped";
}
