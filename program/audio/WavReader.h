#pragma once

#include "platform/base/WaveFormat.h"
#include "platform/mmio/Mmio.h"

// Reads a PCM WAV file: checks its RIFF header, keeps its format and chunk records, and
// hands out the bytes of the data chunk in blocks. Every operation except SetBufferSize
// clears errorFlag on entry (the value accessors too); a failed step sets it and leaves
// its message, with %s replaced by the file name, in errorText.
class WavReader {
public:
    static constexpr int PathLength = 4096;

    WavReader() noexcept;
    ~WavReader();
    WavReader(const WavReader&) = delete;
    WavReader& operator=(const WavReader&) = delete;

    // A name longer than the path limit is refused (errorFlag set, name emptied).
    void SetFileName(const char* name) noexcept;
    const char* GetFileName() noexcept;

    void Open() noexcept;
    void ReadHeader(int bufferSize) noexcept;
    void SetBufferSize(int bufferSize) noexcept;
    int ReadBlock(void* destination, int count) noexcept;
    void Close() noexcept;

    WORD GetBitsPerSample() noexcept;
    WORD GetChannels() noexcept;
    DWORD GetSampleRate() noexcept;
    DWORD GetTotalFrames() noexcept;
    const MMCKINFO& GetRiffChunk() noexcept;
    const MMCKINFO& GetFormatChunk() noexcept;
    const MMCKINFO& GetDataChunk() noexcept;
    const WAVEFORMATEX* GetFormat() noexcept;

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
    int bytesRemaining;
    WAVEFORMATEX* format;
    PCMWAVEFORMAT fileFormat;
    DWORD extraBytes;
    MMIOINFO bufferInfo;
    int copied;
    int step;
    int errorFlag;
    char errorText[1024];
};
