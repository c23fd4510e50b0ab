#pragma once

#include <string>

// What a run made: frames, the peak of each output channel and the samples beyond full
// scale (those an integer output clamps).
class FileSummary {
public:
    // Takes frames x channels interleaved output samples.
    void Add(const float* samples, long long frames, int channels) noexcept;

    // "1234 frames, peak -0.3 dB, 0 clipped" (stereo: "peak -0.3/-1.2 dB").
    std::string Text() const;

    long long Frames() const noexcept { return frames; }
    long long Clipped() const noexcept { return clipped; }
    // The channel's peak in dB of full scale; -infinity for silence.
    double PeakDb(int channel) const noexcept;

private:
    long long frames = 0;
    long long clipped = 0;
    int channels = 0;
    float peak[2] = {0.0f, 0.0f};
};
