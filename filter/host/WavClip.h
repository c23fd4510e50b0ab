#pragma once

#include <string>
#include <vector>

#include "filter/framework/MediaInterfaces.h"

// A sound in memory: a wave format and its sample data. The WAV source plays one as well
// as a file (WavFileReader), and the WAV file renderer writes the header MakeHeader gives.
struct WavClip {
    WAVEFORMATEX format{};
    std::vector<BYTE> data;

    // The whole of a WAV file WavFileReader accepts; false with its reason otherwise.
    static bool Load(const std::string& path, WavClip* clip, std::string* error);
    // The RIFF header, format chunk (and fact chunk for float) and data chunk header
    // for dataBytes of sample data.
    static std::vector<BYTE> MakeHeader(const WAVEFORMATEX& format, DWORD dataBytes);
};
