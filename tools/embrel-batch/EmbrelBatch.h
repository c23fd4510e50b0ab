#pragma once

#include <cstdio>

#include "tools/embrel-batch/BatchOptions.h"

// One run of embrel-batch: the program's reader, writer, converter, engine and worker in
// offline mode, or listening (paced by a wave-out device, with or without writing),
// driven from the command line. Returns the exit status: 0 done, 1 failed
// (the component's message on err), 130 interrupted.
class EmbrelBatch {
public:
    EmbrelBatch(const BatchOptions& options, std::FILE* out, std::FILE* err) noexcept
        : options(options), out(out), err(err)
    {
    }

    int Run() noexcept;
    void ListPresets() const noexcept;
    // One line per wave-out device: its id and name.
    void ListDevices() const noexcept;

    // Ends a run in progress at its next block (from a signal handler: only sets a flag).
    static void RequestStop() noexcept;

private:
    const BatchOptions& options;
    std::FILE* out;
    std::FILE* err;
};
