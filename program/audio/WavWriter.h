#pragma once

#include "platform/base/WaveFormat.h"
#include "platform/mmio/Mmio.h"

// Writes processed sound as a PCM WAV file with the layout and format of the input:
// Create, BeginData with the reader's records and format, WriteBlock for each block,
// Finish to patch the sizes and close. Every operation clears errorFlag on entry; a
// failed step records its message (%s = the file name) and the next step still runs.
class WavWriter {
public:
    static constexpr int PathLength = 4096;

    WavWriter() noexcept;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // A name longer than the path limit is refused (errorFlag set, name emptied).
    void SetFileName(const char* name) noexcept;
    const char* GetFileName() noexcept;

    void Create() noexcept;
    // Returns the result of giving the file a buffer of bufferSize bytes.
    MMRESULT BeginData(const MMCKINFO& riffTemplate, const MMCKINFO& formatTemplate,
                       const MMCKINFO& dataTemplate, const WAVEFORMATEX* sourceFormat,
                       int bufferSize) noexcept;
    int WriteBlock(const void* source, int count) noexcept;
    void Finish() noexcept;

    int GetErrorFlag() const noexcept { return errorFlag; }
    const char* GetErrorText() const noexcept { return errorText; }

private:
    void Fail(const char* message) noexcept;
    void FreeFormat() noexcept;

    char fileName[PathLength];
    HMMIO file;
    MMCKINFO riffChunk;
    MMCKINFO formatChunk;
    MMCKINFO dataChunk;
    WAVEFORMATEX* format;
    MMIOINFO bufferInfo;
    int copied;
    int step;
    int written;
    int errorFlag;
    char errorText[1024];
};
