#include "platform/waveout/VirtualSink.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <thread>

#include <unistd.h>

namespace {

// The sink holds this much wall-clock time of sound, whatever the speed.
constexpr double kHoldSeconds = 0.02;

}  // namespace

VirtualSink::VirtualSink(const WAVEFORMATEX& format, double speed, int fd)
    : bytesPerSecond(double(format.nSamplesPerSec) * format.nBlockAlign * speed),
      frameBytes(format.nBlockAlign),
      capacity(std::max<ULONGLONG>(format.nBlockAlign,
                                   ULONGLONG(bytesPerSecond * kHoldSeconds) / format.nBlockAlign
                                       * format.nBlockAlign)),
      captureFd(fd),
      start(Clock::now())
{
}

VirtualSink::~VirtualSink()
{
    if (captureFd >= 0) ::close(captureFd);
}

VirtualSink::Clock::time_point VirtualSink::Due() const noexcept
{
    const auto length = std::chrono::duration<double>(double(sinceStart) / bytesPerSecond);
    return start + std::chrono::duration_cast<Clock::duration>(length);
}

ULONGLONG VirtualSink::PendingAt(Clock::time_point now) const noexcept
{
    if (paused) now = pausedAt;
    const double left = std::chrono::duration<double>(Due() - now).count();
    if (left <= 0.0) return 0;
    return std::min<ULONGLONG>(sinceStart, ULONGLONG(std::ceil(left * bytesPerSecond)));
}

long VirtualSink::Write(const BYTE* data, DWORD bytes) noexcept
{
    const Clock::time_point now = Clock::now();
    const ULONGLONG pending = PendingAt(now);
    if (pending == 0) {
        // Idle (or starved): the clock starts again from now.
        start = now;
        sinceStart = 0;
    }
    const ULONGLONG room = capacity > pending ? capacity - pending : 0;
    const DWORD take = DWORD(std::min<ULONGLONG>(bytes, room) / frameBytes * frameBytes);
    if (take == 0) return 0;
    if (captureFd >= 0) {
        DWORD done = 0;
        while (done < take) {
            const ssize_t n = ::write(captureFd, data + done, take - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return -1;
            done += DWORD(n);
        }
    }
    sinceStart += take;
    return long(take);
}

ULONGLONG VirtualSink::Pending() noexcept { return PendingAt(Clock::now()); }

void VirtualSink::Wait(bool haveData, ULONGLONG untilDone, DWORD milliseconds) noexcept
{
    const Clock::time_point now = Clock::now();
    if (paused || PendingAt(now) == 0) return;
    Clock::time_point until = Due();
    if (haveData) {
        // Wake when half the held sound has been heard, so there is room again.
        const auto half = std::chrono::duration<double>(double(capacity) / 2.0 / bytesPerSecond);
        until -= std::chrono::duration_cast<Clock::duration>(half);
    }
    const auto next = std::chrono::duration<double>(double(untilDone) / bytesPerSecond);
    if (next.count() < 1.0) until = std::min(until, now + std::chrono::duration_cast<Clock::duration>(next));
    until = std::min(until, now + std::chrono::milliseconds(milliseconds));
    if (until > now) std::this_thread::sleep_until(until);
}

void VirtualSink::Pause(bool on) noexcept
{
    if (on == paused) return;
    const Clock::time_point now = Clock::now();
    if (on) {
        pausedAt = now;
    } else {
        start += now - pausedAt;
    }
    paused = on;
}

void VirtualSink::Discard() noexcept
{
    start = paused ? pausedAt : Clock::now();
    sinceStart = 0;
}
