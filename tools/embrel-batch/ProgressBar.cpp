#include "tools/embrel-batch/ProgressBar.h"

void ProgressBar::Advance(long long frames) noexcept
{
    done += frames;
    if (!shown) return;
    int percent = total ? int(double(done) * 100.0 / double(total)) : 100;
    if (percent > 100) percent = 100;
    if (percent == last) return;
    last = percent;
    char bar[41];
    const int filled = percent * 40 / 100;
    for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : ' ';
    bar[40] = '\0';
    std::fprintf(err, "\r[%s] %3d%%", bar, percent);
    std::fflush(err);
}

void ProgressBar::End() noexcept
{
    if (shown && last >= 0) std::fprintf(err, "\n");
    last = -1;
}
