#include "tools/embrel-batch/FileSummary.h"

#include <cmath>
#include <cstdio>

void FileSummary::Add(const float* samples, long long count, int channelCount) noexcept
{
    channels = channelCount;
    for (long long i = 0; i < count * channelCount; ++i) {
        const float x = samples[i];
        const float magnitude = std::fabs(x);
        float& p = peak[i % channelCount];
        p = magnitude > p ? magnitude : p;
        clipped += x >= 1.0f || x < -1.0f;
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
    if (channels == 2) peaks += "/" + db(1);
    return std::to_string(frames) + " frames, peak " + peaks + " dB, " + std::to_string(clipped) + " clipped";
}
