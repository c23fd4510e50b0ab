#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/waveout/WaveOut.h"
#include "tests/support/WaitUntil.h"

// Records every callback of a device, with the thread it came from.
struct CallbackLog {
    struct Message {
        HWAVEOUT device;
        UINT message;
        DWORD_PTR param1;
        std::thread::id thread;
    };

    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Message> messages;

    static void Callback(HWAVEOUT device, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR)
    {
        auto* log = reinterpret_cast<CallbackLog*>(instance);
        std::lock_guard lock(log->mutex);
        log->messages.push_back({device, message, param1, std::this_thread::get_id()});
        log->arrived.notify_all();
    }

    std::size_t Count(UINT message)
    {
        std::lock_guard lock(mutex);
        std::size_t n = 0;
        for (const Message& m : messages) n += m.message == message;
        return n;
    }

    bool WaitFor(UINT message, std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, limit, [&] {
            std::size_t n = 0;
            for (const Message& m : messages) n += m.message == message;
            return n >= count;
        });
    }

    std::vector<Message> Snapshot()
    {
        std::lock_guard lock(mutex);
        return messages;
    }
};

inline WAVEFORMATEX PcmFormat(WORD channels, DWORD rate, WORD bits)
{
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = WORD(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    f.cbSize = 0;
    return f;
}

inline std::vector<char> Pattern(std::size_t bytes, unsigned seed)
{
    std::vector<char> data(bytes);
    unsigned x = seed * 2654435761u + 1;
    for (char& c : data) {
        x = x * 1103515245u + 12345u;
        c = char(x >> 16);
    }
    return data;
}

inline std::vector<char> ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh directory under the temp directory, removed at the end of the test.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "calyrix-waveout-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~ScratchDir() { std::filesystem::remove_all(path); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::filesystem::path path;
};

inline void PrepareHeader(WAVEHDR& header, std::vector<char>& data)
{
    header = WAVEHDR{};
    header.lpData = data.data();
    header.dwBufferLength = DWORD(data.size());
}
