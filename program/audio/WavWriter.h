#pragma once

#include "platform/mmio/Mmio.h"
#include "program/audio/WavFile.h"

// Writes processed sound as a PCM WAV file with the layout and format of the input:
// Create, BeginData with the reader's records and format, WriteBlock for each block,
// Finish to patch the sizes and close. Every operation clears errorFlag on entry; a
// failed step records its message (%s = the file name) and the next step still runs.
class WavWriter : public WavFile {
public:
    WavWriter() noexcept;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    void Create() noexcept;
    // Returns the result of giving the file a buffer of bufferSize bytes.
    MMRESULT BeginData(const MMCKINFO& riffTemplate, const MMCKINFO& formatTemplate,
                       const MMCKINFO& dataTemplate, const WAVEFORMATEX* sourceFormat,
                       int bufferSize) noexcept;
    int WriteBlock(const void* source, int count) noexcept;
    void Finish() noexcept;

private:
    HMMIO file;
    MMCKINFO riffChunk;
    MMCKINFO formatChunk;
    MMCKINFO dataChunk;
    MMIOINFO bufferInfo;
    int copied;
    int step;
    int written;
};
