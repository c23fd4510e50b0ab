#pragma once

#include <string>
#include <vector>

#include "filter/framework/MediaInterfaces.h"

// A whole WAV file in memory: PCM 8/16 bit or IEEE float 32 bit, 1 to MaxChannels
// channels (extensible headers are reduced to their plain tag).
struct WavFile {
    static constexpr WORD MaxChannels = 0xFFFF / 4;

    WAVEFORMATEX format{};
    std::vector<BYTE> data;

    // False with a reason for a file that cannot be read or is not such a WAV file.
    static bool Load(const std::string& path, WavFile* wav, std::string* error);
    // The RIFF header, format chunk (and fact chunk for float) and data chunk header
    // for dataBytes of sample data.
    static std::vector<BYTE> MakeHeader(const WAVEFORMATEX& format, DWORD dataBytes);
};
