#include "filter/host/WavClip.h"

#include "filter/host/WavFileReader.h"
#include "platform/base/WaveFormat.h"

namespace {

void PutDword(std::vector<BYTE>& out, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

void PutWord(std::vector<BYTE>& out, WORD v)
{
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
}

void PutTag(std::vector<BYTE>& out, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<BYTE>(tag[i]));
}

} // namespace

bool WavClip::Load(const std::string& path, WavClip* clip, std::string* error)
{
    WavFileReader reader;
    if (!reader.Open(path)) {
        *error = reader.ErrorText();
        return false;
    }
    clip->format = reader.Format();
    clip->data.resize(static_cast<std::size_t>(reader.DataBytes()));
    if (reader.Read(0, clip->data.data(), clip->data.size()) != static_cast<long long>(clip->data.size())) {
        *error = reader.ErrorText();
        return false;
    }
    return true;
}

std::vector<BYTE> WavClip::MakeHeader(const WAVEFORMATEX& format, DWORD dataBytes)
{
    const bool ieee = format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT;
    const DWORD formatSize = ieee ? 18 : 16;
    const DWORD factSize = ieee ? 12 : 0;
    std::vector<BYTE> out;
    out.reserve(64);
    PutTag(out, "RIFF");
    PutDword(out, 4 + 8 + formatSize + factSize + 8 + dataBytes + (dataBytes & 1));
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutDword(out, formatSize);
    PutWord(out, format.wFormatTag);
    PutWord(out, format.nChannels);
    PutDword(out, format.nSamplesPerSec);
    PutDword(out, format.nAvgBytesPerSec);
    PutWord(out, format.nBlockAlign);
    PutWord(out, format.wBitsPerSample);
    if (ieee) {
        PutWord(out, 0);
        PutTag(out, "fact");
        PutDword(out, 4);
        PutDword(out, format.nBlockAlign != 0 ? dataBytes / format.nBlockAlign : 0);
    }
    PutTag(out, "data");
    PutDword(out, dataBytes);
    return out;
}
