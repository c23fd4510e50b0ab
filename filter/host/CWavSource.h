#pragma once

#include <memory>
#include <string>
#include <vector>

#include "filter/framework/CBaseFilter.h"
#include "filter/host/CWavSourcePin.h"
#include "filter/host/WavClip.h"
#include "filter/host/WavFileReader.h"

// A push source of WAV sample data, from a clip in memory or streamed from a file a block
// at a time. While active, its streaming thread fills samples of its own allocator and
// delivers them; the first sample after a start is marked as a discontinuity. At the end
// it delivers end of stream; a file that cannot be read aborts the stream.
class CWavSource final : public CBaseFilter {
public:
    struct Options {
        long bufferBytes = 16384; // rounded down to whole frames
        bool readOnly = false;    // offers its allocator read-only
    };

    // With one reference. asFloat converts PCM data to 32-bit float samples.
    static CWavSource* CreateInstance(const WavClip& clip, bool asFloat, const Options& options) noexcept;
    // Streams an open file; takes it over.
    static CWavSource* CreateInstance(std::unique_ptr<WavFileReader> file, bool asFloat,
                                      const Options& options) noexcept;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &pin : nullptr; }

    // Moves the stream to a frame; the next sample is marked as a discontinuity.
    void Seek(LONGLONG frame) noexcept { pin.Seek(frame); }

    // The format delivered, and the length of the stream in its bytes.
    const WAVEFORMATEX& Format() const noexcept { return delivered; }
    ULONGLONG Length() const noexcept;
    // Up to capacity bytes of the stream from position on (the streaming thread's call):
    // the bytes filled, 0 at the end, -1 when the file cannot be read.
    long Fill(ULONGLONG position, BYTE* buffer, long capacity) noexcept;
    // Why the file could not be read, once Fill has failed.
    std::string ReadError() const { return file ? file->ErrorText() : std::string(); }
    const Options& GetOptions() const noexcept { return options; }

private:
    CWavSource(const WAVEFORMATEX& source, bool asFloat, const Options& options) noexcept;
    long long ReadSource(ULONGLONG offset, BYTE* buffer, std::size_t count) noexcept;

    CCritSec filterLock;
    WavClip clip;
    std::unique_ptr<WavFileReader> file;
    WAVEFORMATEX source{};
    WAVEFORMATEX delivered{};
    bool convert = false;
    std::vector<BYTE> scratch;
    Options options;
    CWavSourcePin pin;
};
