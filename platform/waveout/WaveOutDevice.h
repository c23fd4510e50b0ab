#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/waveout/WaveOut.h"
#include "platform/waveout/WaveOutSink.h"

// One open wave-out device: a queue of headers that its service thread hands to the sink in
// order, marking each done once the sink has played it, and calling back from that thread.
// A partial frame at the end of a buffer is not played.
class WaveOutDevice {
public:
    WaveOutDevice(std::unique_ptr<WaveOutSink> sink, DWORD frameBytes, WAVEOUTPROC callback,
                  DWORD_PTR instance);
    // Joins the service thread if Close was never called.
    ~WaveOutDevice();
    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;

    // Starts the service thread and returns once it has sent WOM_OPEN.
    void Start(HWAVEOUT handle);

    MMRESULT Prepare(WAVEHDR& header) noexcept;
    MMRESULT Unprepare(WAVEHDR& header) noexcept;
    MMRESULT Write(WAVEHDR& header) noexcept;
    MMRESULT Pause() noexcept;
    MMRESULT Restart() noexcept;
    MMRESULT Reset() noexcept;
    // Sends WOM_CLOSE from the service thread and ends it.
    MMRESULT Close() noexcept;

private:
    struct Entry {
        WAVEHDR* header;
        ULONGLONG end;  // stream position after its last byte, once it is all written
    };

    void Run() noexcept;
    // Pops the written entries that have been heard and marks them done. Lock held.
    void ServeReset(std::unique_lock<std::mutex>& lock, std::vector<WAVEHDR*>& done) noexcept;
    void PlayStep(std::unique_lock<std::mutex>& lock, std::vector<WAVEHDR*>& done) noexcept;
    void RetireHeard(ULONGLONG heard, std::vector<WAVEHDR*>& done) noexcept;
    void RetireAll(std::vector<WAVEHDR*>& done) noexcept;
    void Deliver(std::unique_lock<std::mutex>& lock, std::vector<WAVEHDR*>& done) noexcept;
    void Notify(UINT message, DWORD_PTR param1) noexcept;
    DWORD PlayableBytes(const WAVEHDR& header) const noexcept;

    std::unique_ptr<WaveOutSink> sink;
    const DWORD frameBytes;
    const WAVEOUTPROC callback;
    const DWORD_PTR instance;
    HWAVEOUT handle = nullptr;
    std::thread service;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Entry> queue;
    std::size_t written = 0;  // entries at the front of the queue handed over completely
    DWORD offset = 0;         // bytes of the next entry handed over so far
    ULONGLONG taken = 0;      // bytes the sink has taken since the last reset
    bool opened = false;
    bool paused = false;
    bool sinkPaused = false;
    bool failed = false;      // the sink gave up: buffers are returned without playing
    bool closing = false;
    unsigned resetsAsked = 0;
    unsigned resetsServed = 0;
};
