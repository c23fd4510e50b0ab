#pragma once

#include <string>

#include "filter/framework/MediaInterfaces.h"

// Reads a WAV file's sample data where it lies, a block at a time: only the header is held
// in memory, whatever the file's length. Accepts PCM 8/16-bit and IEEE float 32-bit with
// 1 to MaxChannels channels (an extensible header is reduced to its plain tag), a sample
// rate above 0 and the block alignment and byte rate its channels and bits give. A data
// chunk cut short by the end of the file is taken as far as it goes.
class WavFileReader {
public:
    // A frame, also as the 32-bit floats the source may deliver, must fit the 16-bit
    // block alignment field.
    static constexpr WORD MaxChannels = 0xFFFF / 4;

    WavFileReader() = default;
    ~WavFileReader();
    WavFileReader(const WavFileReader&) = delete;
    WavFileReader& operator=(const WavFileReader&) = delete;

    // False with the reason in ErrorText for a file that cannot be read or is not such a file.
    bool Open(const std::string& path);
    const WAVEFORMATEX& Format() const noexcept { return format; }
    ULONGLONG DataBytes() const noexcept { return dataBytes; }
    // Reads up to count bytes of the data from offset on; the bytes read (fewer only at the
    // end of the file), or -1 with the reason in ErrorText.
    long long Read(ULONGLONG offset, BYTE* buffer, std::size_t count);
    const std::string& ErrorText() const noexcept { return errorText; }

private:
    bool FindChunks(ULONGLONG fileBytes, bool sized);
    bool ReadFormat(ULONGLONG position, DWORD size);
    bool CheckFormat();
    long long ReadAt(ULONGLONG offset, BYTE* buffer, std::size_t count);
    bool Fail(const std::string& reason);

    std::string path;
    std::string errorText;
    int fd = -1;
    WAVEFORMATEX format{};
    ULONGLONG dataOffset = 0;
    ULONGLONG dataBytes = 0;
};
