#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>

#include "tools/embrel-batch/BatchOptions.h"
#include "tools/embrel-batch/FileSummary.h"

class BlockPipe;
class SaturationEngine;
class TemporaryFile;
typedef struct sf_private_tag SNDFILE;

// One file through libsndfile: every input the designed WAV path does not take. The
// output keeps the input's container and sample format unless the options say otherwise;
// the dither is scaled to the output word length and off for float and lossy outputs.
// Integer samples are converted as the designed path converts them, so a 16-bit input
// gives the same output whichever path reads it.
class SndfileJob {
public:
    using Progress = std::function<void(long long frames, long long total)>;

    SndfileJob(const BatchOptions& options, std::FILE* err, Progress progress)
        : options(options), err(err), progress(std::move(progress))
    {
    }

    // Reads inputFd (not closed) and writes the result to output from its start.
    // Returns 0 done, 1 failed (the message on err), 130 stopped. stop is polled per block.
    int Run(int inputFd, const std::string& inputName, const TemporaryFile& output, const std::string& outputName,
            const std::atomic<bool>& stop, FileSummary& summary);

    // Whether libsndfile can open the file open as fd.
    static bool CanRead(int fd);
    // The sample format (SF_FORMAT_*) the output gets for an input of format inputFormat.
    static int OutputFormat(const BatchOptions& options, int inputFormat, const std::string& outputName);
    // The word length the dither is scaled to; 0 for float and lossy formats (no dither).
    static int DitherBits(int format);

private:
    int Process(SNDFILE* in, SNDFILE* out, const TemporaryFile& output, int channels, int format,
                const std::atomic<bool>& stop, FileSummary& summary);
    static bool WriteBlocks(SNDFILE* out, const TemporaryFile* flushTo, BlockPipe& pipe);
    void ApplySettings(SaturationEngine& engine, int format, int rate, int channels) const;

    const BatchOptions& options;
    std::FILE* err;
    Progress progress;
};
