#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <semaphore>
#include <string>
#include <vector>

#include "tools/embrel-batch/BatchOptions.h"

// Many inputs with the same settings, several at once: each file is one EmbrelBatch run
// on a thread of its own, -j N of them embreling at once (default one per core); a file
// whose result is being flushed and put in place leaves its turn to the next one, on up
// to N more threads. Only this object's thread prints:
// the batch's progress bar on a terminal, and for each file as it ends its summary line
// or its messages. Returns 0 when every file was done, 1 when any failed (the others are
// still done and kept), 2 for an unusable -o DIR, 130 when stopped by a signal.
class BatchRunner {
public:
    BatchRunner(const BatchOptions& options, std::FILE* out, std::FILE* err) : options(options), out(out), err(err)
    {
    }

    int Run() noexcept;

    // Where an input's result goes: into -o DIR under the input's name, or beside the
    // input with the suffix before its extension; --format changes the extension.
    static std::string OutputFor(const BatchOptions& options, const std::string& input);

private:
    struct Done {
        std::size_t index;
        int status;
        std::string out;
        std::string err;
    };

    int CheckDirectory() const;
    void FindClashes();
    long long TotalFrames() const;
    void Work();
    void RunOne(std::size_t index);
    int Report(const Done& done);

    const BatchOptions& options;
    std::FILE* out;
    std::FILE* err;
    std::vector<std::string> outputs;
    std::vector<char> clashes;
    std::size_t running = 0;  // worker threads still taking files
    std::atomic<std::size_t> next{0};
    std::counting_semaphore<> turns{0};  // -j N: one per file being embreled
    std::atomic<long long> framesDone{0};
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Done> finished;
};
