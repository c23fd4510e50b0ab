#pragma once

#include <chrono>
#include <cstdio>
#include <string>

// The progress bar of a run or a batch: percent of the total frames, truncated, with the
// time elapsed and the time left; redrawn when the percent or the seconds change.
class ProgressBar {
public:
    ProgressBar(std::FILE* err, bool shown, long long totalFrames) noexcept
        : err(err), shown(shown), total(totalFrames), start(std::chrono::steady_clock::now())
    {
    }
    void Advance(long long frames) noexcept;
    // Ends the bar's line; the bar starts on a fresh line when it is drawn again.
    void End() noexcept;
    // Erases the bar, so a line printed now takes its place; the next Advance redraws it.
    void Clear() noexcept;
    long long Frames() const noexcept { return done; }
    // "m:ss" (or "h:mm:ss").
    static std::string Clock(long long seconds);

private:
    std::FILE* err;
    bool shown;
    long long total;
    std::chrono::steady_clock::time_point start;
    long long done = 0;
    int last = -1;
    long long lastSecond = -1;
};
