#pragma once

#include <cstdio>
#include <functional>

#include "tools/embrel-batch/BatchOptions.h"

struct BatchSession;
class MessageWindow;
class ProgressBar;
class TerminalKeys;

// One run of embrel-batch: the program's reader, writer, converter, engine and worker in
// offline mode, or listening (paced by a wave-out device, with or without writing),
// driven from the command line; other inputs and output formats go through libsndfile.
// Returns the exit status: 0 done (or OUTPUT left alone by --no-clobber), 1 failed
// (the component's message on err), 130 interrupted. INPUT or OUTPUT "-" is stdin or
// stdout; an input that cannot seek is copied to a temporary file first.
//
// The result is made in a fresh temporary file beside OUTPUT (created exclusively, 0600,
// locked for the run) and replaces OUTPUT only when the run has succeeded; OUTPUT's mode
// is kept, a symbolic link is followed, a device or FIFO is written into, and a directory
// or the input itself is refused before any work.
class EmbrelBatch {
public:
    EmbrelBatch(const BatchOptions& options, std::FILE* out, std::FILE* err) noexcept
        : options(options), out(out), err(err)
    {
    }

    int Run() noexcept;
    // Frames done, as they are done (a batch's progress): no bar or keys of the run's own.
    void SetProgressHook(std::function<void(long long)> hook) { progressHook = std::move(hook); }
    // Called once the result is made, before it is flushed and put in place.
    void SetDeliveryHook(std::function<void()> hook) { deliveryHook = std::move(hook); }
    void ListPresets() const noexcept;
    // One line per wave-out device: its id and name.
    void ListDevices() const noexcept;

    // Ends a run in progress at its next block (from a signal handler: only sets a flag).
    static void RequestStop() noexcept;
    static bool StopRequested() noexcept;

private:
    // Each returns 0 to go on, else the exit status (the message printed).
    int ResolveFiles(BatchSession& s) const;
    int OpenSource(BatchSession& s) const;
    int ChooseReader(BatchSession& s) const;
    int RunSndfile(BatchSession& s) const;
    int Stopped(const BatchSession& s) const;
    void AnswerKeys(TerminalKeys& keys, ProgressBar& progress) const;
    int PrepareTemporary(BatchSession& s) const;
    int Deliver(BatchSession& s) const;
    int OpenInput(BatchSession& s) const;
    int OpenDevice(BatchSession& s) const;
    int PrepareOutput(BatchSession& s) const;
    int OpenPlayer(BatchSession& s) const;
    int Process(BatchSession& s) const;
    void WaitForWorker(BatchSession& s, MessageWindow& window, ProgressBar& progress, const bool& finished) const;
    int Report(BatchSession& s, long long frames) const;

    void ApplySettings(BatchSession& s) const;
    int Fail(const char* text) const;

    const BatchOptions& options;
    std::FILE* out;
    std::FILE* err;
    std::function<void(long long)> progressHook;
    std::function<void()> deliveryHook;
};
