#pragma once

#include <cstdio>
#include <string>

#include "filter/framework/MediaInterfaces.h"
#include "tools/embrel-graph/GraphOptions.h"

#include <memory>

class CFilterGraph;
class CWavSource;
class ResultFile;
class TemporaryFile;
class WavFileReader;

// One run of embrel-graph: WAV source (streaming the input) -> the saturation filter ->
// WAV file renderer. The result is rendered into a fresh temporary file beside OUTPUT and
// replaces it only when the run has succeeded (mode kept, symlink followed, a device or
// FIFO written into); a directory OUTPUT or one that is the input is refused first.
// Returns the exit status: 0 done, 1 failed (the step and its HRESULT, or the reason, on
// err), 130 stopped.
class GraphRun {
public:
    GraphRun(const GraphOptions& options, std::FILE* out, std::FILE* err) noexcept
        : options(options), out(out), err(err)
    {
    }

    int Run() noexcept;
    // Ends a run at its next chance (from a signal handler: only sets a flag).
    static void RequestStop() noexcept;

private:
    int RunWithFilter(std::unique_ptr<WavFileReader> input, TemporaryFile& temporary, ResultFile& result) const;
    HRESULT CreateFilter(IBaseFilter** filter) const;
    int Configure(IBaseFilter* filter) const;
    int ApplyPresetAndSets(IBaseFilter* filter) const;
    int Render(IBaseFilter* filter, std::unique_ptr<WavFileReader> input, const std::string& path) const;
    int Connect(CFilterGraph* graph, CWavSource* source, IBaseFilter* filter, IBaseFilter* renderer) const;
    int Stream(CFilterGraph* graph, CWavSource* source) const;
    int SaveSettings(IBaseFilter* filter) const;
    int PrintSettings(IBaseFilter* filter) const;

    int Fail(const char* what, HRESULT hr) const;
    int Fail(const std::string& text) const;

    const GraphOptions& options;
    std::FILE* out;
    std::FILE* err;
};
