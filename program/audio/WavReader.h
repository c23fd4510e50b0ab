#pragma once

#include "platform/mmio/Mmio.h"
#include "program/audio/WavFile.h"

// Reads a PCM WAV file: checks its RIFF header, keeps its format and chunk records, and
// hands out the bytes of the data chunk in blocks. Every operation except SetBufferSize
// clears errorFlag on entry (the value accessors too); a failed step sets it and leaves
// its message, with %s replaced by the file name, in errorText.
class WavReader : public WavFile {
public:
    WavReader() noexcept;
    ~WavReader();
    WavReader(const WavReader&) = delete;
    WavReader& operator=(const WavReader&) = delete;

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

private:
    // Refuses a sample rate of 0 and a block alignment or byte rate that disagrees with
    // the channels and bits.
    void CheckLayout() noexcept;

    HMMIO file;
    MMCKINFO riffChunk;
    MMCKINFO formatChunk;
    MMCKINFO dataChunk;
    DWORD bytesRemaining;  // unsigned: a data chunk may hold up to 4 GB
    PCMWAVEFORMAT fileFormat;
    DWORD extraBytes;
    MMIOINFO bufferInfo;
    int copied;
    int step;
};
