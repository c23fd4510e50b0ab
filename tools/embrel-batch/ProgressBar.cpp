#include "tools/embrel-batch/ProgressBar.h"

std::string ProgressBar::Clock(long long seconds)
{
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    return text;
}

void ProgressBar::Advance(long long frames) noexcept
{
    done += frames;
    if (!shown) return;
    int percent = total > 0 ? int(double(done) * 100.0 / double(total)) : 100;
    if (percent > 100) percent = 100;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long long second = (long long)elapsed;
    if (percent == last && second == lastSecond) return;
    last = percent;
    lastSecond = second;
    char bar[41];
    const int filled = percent * 40 / 100;
    for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : ' ';
    bar[40] = '\0';
    const std::string left =
        done > 0 && done < total ? Clock((long long)(elapsed * double(total - done) / double(done) + 0.5)) : "0:00";
    std::fprintf(err, "\r[%s] %3d%%  %s elapsed, %s left ", bar, percent, Clock(second).c_str(), left.c_str());
    std::fflush(err);
}

void ProgressBar::End() noexcept
{
    if (shown && last >= 0) std::fprintf(err, "\n");
    last = -1;
    lastSecond = -1;
}

void ProgressBar::Clear() noexcept
{
    if (shown && last >= 0) {
        std::fprintf(err, "\r\033[K");
        std::fflush(err);
    }
    last = -1;
    lastSecond = -1;
}
