#include "platform/waveout/WaveOutDevice.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace {

// Longest the service thread sleeps in the sink before it looks at its requests again.
constexpr DWORD kWaitMilliseconds = 5;

std::atomic_ref<DWORD> Flags(WAVEHDR& header) { return std::atomic_ref<DWORD>(header.dwFlags); }

void MarkDone(WAVEHDR& header)
{
    Flags(header).store((Flags(header).load() & ~WHDR_INQUEUE) | WHDR_DONE,
                        std::memory_order_release);
}

}  // namespace

WaveOutDevice::WaveOutDevice(std::unique_ptr<WaveOutSink> s, DWORD frame, WAVEOUTPROC cb,
                             DWORD_PTR inst)
    : sink(std::move(s)), frameBytes(frame), callback(cb), instance(inst)
{
}

WaveOutDevice::~WaveOutDevice()
{
    if (!service.joinable()) return;
    {
        std::lock_guard lock(mutex);
        closing = true;
    }
    changed.notify_all();
    service.join();
}

void WaveOutDevice::Start(HWAVEOUT h)
{
    handle = h;
    service = std::thread([this] { Run(); });
    // WOM_OPEN reaches the caller before the open returns, so it cannot be mistaken
    // for a buffer coming back later.
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return opened; });
}

MMRESULT WaveOutDevice::Prepare(WAVEHDR& header) noexcept
{
    if (header.lpData == nullptr && header.dwBufferLength > 0) return MMSYSERR_INVALPARAM;
    std::lock_guard lock(mutex);
    Flags(header).fetch_or(WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::Unprepare(WAVEHDR& header) noexcept
{
    std::lock_guard lock(mutex);
    const DWORD flags = Flags(header).load();
    if (flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    Flags(header).store(flags & ~WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::Write(WAVEHDR& header) noexcept
{
    std::lock_guard lock(mutex);
    const DWORD flags = Flags(header).load();
    if (!(flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    // A header whose flags were overwritten while queued must not be queued twice.
    const bool queued = std::any_of(queue.begin(), queue.end(),
                                    [&](const Entry& e) { return e.header == &header; });
    if ((flags & WHDR_INQUEUE) || queued) return WAVERR_STILLPLAYING;
    try {
        queue.push_back(Entry{&header, 0});
    } catch (const std::bad_alloc&) {
        return MMSYSERR_NOMEM;
    }
    Flags(header).store((flags & ~WHDR_DONE) | WHDR_INQUEUE);
    changed.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::Pause() noexcept
{
    std::lock_guard lock(mutex);
    paused = true;
    changed.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::Restart() noexcept
{
    std::lock_guard lock(mutex);
    paused = false;
    changed.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::Reset() noexcept
{
    std::unique_lock lock(mutex);
    const unsigned ticket = ++resetsAsked;
    changed.notify_all();
    changed.wait(lock, [&] { return static_cast<int>(resetsServed - ticket) >= 0; });
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::Close() noexcept
{
    {
        std::lock_guard lock(mutex);
        if (!queue.empty()) return WAVERR_STILLPLAYING;
        closing = true;
    }
    changed.notify_all();
    service.join();
    return MMSYSERR_NOERROR;
}

void WaveOutDevice::Notify(UINT message, DWORD_PTR param1) noexcept
{
    if (callback) callback(handle, message, instance, param1, 0);
}

DWORD WaveOutDevice::PlayableBytes(const WAVEHDR& header) const noexcept
{
    // A sink takes whole frames only: waiting for the rest of a frame would hold the buffer forever.
    return header.dwBufferLength - header.dwBufferLength % frameBytes;
}

void WaveOutDevice::RetireHeard(ULONGLONG heard, std::vector<WAVEHDR*>& done) noexcept
{
    while (written > 0 && queue.front().end <= heard) {
        MarkDone(*queue.front().header);
        done.push_back(queue.front().header);
        queue.pop_front();
        --written;
    }
}

void WaveOutDevice::RetireAll(std::vector<WAVEHDR*>& done) noexcept
{
    for (const Entry& e : queue) {
        MarkDone(*e.header);
        done.push_back(e.header);
    }
    queue.clear();
    written = 0;
    offset = 0;
}

void WaveOutDevice::Deliver(std::unique_lock<std::mutex>& lock, std::vector<WAVEHDR*>& done) noexcept
{
    if (done.empty()) return;
    lock.unlock();
    for (WAVEHDR* header : done) Notify(WOM_DONE, reinterpret_cast<DWORD_PTR>(header));
    done.clear();
    lock.lock();
}

void WaveOutDevice::Run() noexcept
{
    Notify(WOM_OPEN, 0);
    std::vector<WAVEHDR*> done;
    done.reserve(4);
    std::unique_lock lock(mutex);
    opened = true;
    changed.notify_all();
    for (;;) {
        if (resetsServed != resetsAsked) {
            ServeReset(lock, done);
            continue;
        }
        if (closing) break;
        if (paused != sinkPaused) {
            sinkPaused = paused;
            lock.unlock();
            sink->Pause(sinkPaused);
            lock.lock();
            continue;
        }
        if (paused || queue.empty()) {
            changed.wait(lock);
            continue;
        }
        if (failed) {
            RetireAll(done);
            Deliver(lock, done);
            continue;
        }
        PlayStep(lock, done);
    }
    lock.unlock();
    Notify(WOM_CLOSE, 0);
}

void WaveOutDevice::ServeReset(std::unique_lock<std::mutex>& lock, std::vector<WAVEHDR*>& done) noexcept
{
    const unsigned asked = resetsAsked;
    lock.unlock();
    sink->Discard();
    lock.lock();
    RetireAll(done);
    taken = 0;
    Deliver(lock, done);
    resetsServed = asked;
    changed.notify_all();
}

// Hands the sink what it takes of the next buffer, returns what has been heard, and waits
// for the sink when neither moved.
void WaveOutDevice::PlayStep(std::unique_lock<std::mutex>& lock, std::vector<WAVEHDR*>& done) noexcept
{
    const bool haveData = written < queue.size();
    const BYTE* data = nullptr;
    DWORD length = 0;
    if (haveData) {
        const WAVEHDR& header = *queue[written].header;
        data = reinterpret_cast<const BYTE*>(header.lpData) + offset;
        length = PlayableBytes(header) - offset;
    }
    const unsigned generation = resetsAsked;
    lock.unlock();
    const long n = length > 0 ? sink->Write(data, length) : 0;
    const ULONGLONG pending = n < 0 ? 0 : sink->Pending();
    lock.lock();
    if (resetsAsked != generation) return;  // the reset throws this away
    if (n < 0) {
        failed = true;
        return;
    }
    bool progress = n > 0;
    if (haveData) {
        taken += static_cast<ULONGLONG>(n);
        offset += static_cast<DWORD>(n);
        if (offset == PlayableBytes(*queue[written].header)) {
            queue[written].end = taken;
            ++written;
            offset = 0;
            progress = true;
        }
    }
    const ULONGLONG heard = taken - std::min(pending, taken);
    RetireHeard(heard, done);
    if (!done.empty()) {
        Deliver(lock, done);
        return;
    }
    if (progress) return;
    const bool moreToWrite = written < queue.size();
    // Wake at the end of the next buffer, so two buffers are not returned at once.
    const ULONGLONG untilDone = written > 0 ? queue.front().end - heard : ~0ULL;
    lock.unlock();
    sink->Wait(moreToWrite, untilDone, kWaitMilliseconds);
    lock.lock();
}
