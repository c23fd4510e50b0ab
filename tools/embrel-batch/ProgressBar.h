#pragma once

#include <cstdio>

#include "platform/base/Types.h"

// The progress bar of a run: percent of the total frames, truncated, redrawn when it changes.
class ProgressBar {
public:
    ProgressBar(std::FILE* err, bool shown, DWORD totalFrames) noexcept
        : err(err), shown(shown), total(totalFrames)
    {
    }
    void Advance(long long frames) noexcept;
    // Ends the bar's line; the bar starts on a fresh line when it is drawn again.
    void End() noexcept;
    long long Frames() const noexcept { return done; }

private:
    std::FILE* err;
    bool shown;
    DWORD total;
    long long done = 0;
    int last = -1;
};
