#include "filter/host/WavFile.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/base/WaveFormat.h"

namespace {

DWORD ReadDword(const BYTE* p)
{
    return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}

WORD ReadWord(const BYTE* p)
{
    return static_cast<WORD>(p[0] | p[1] << 8);
}

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

bool WavFile::Load(const std::string& path, WavFile* wav, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot open " + path;
        return false;
    }
    const std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        *error = path + " is not a RIFF WAVE file";
        return false;
    }
    bool haveFormat = false;
    bool haveData = false;
    std::size_t pos = 12;
    while (pos + 8 <= bytes.size() && !haveData) {
        const BYTE* chunk = bytes.data() + pos;
        const std::size_t size = ReadDword(chunk + 4);
        const std::size_t available = bytes.size() - pos - 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || size > available) {
                *error = path + " has a damaged format chunk";
                return false;
            }
            const BYTE* f = chunk + 8;
            wav->format.wFormatTag = ReadWord(f);
            wav->format.nChannels = ReadWord(f + 2);
            wav->format.nSamplesPerSec = ReadDword(f + 4);
            wav->format.nAvgBytesPerSec = ReadDword(f + 8);
            wav->format.nBlockAlign = ReadWord(f + 12);
            wav->format.wBitsPerSample = ReadWord(f + 14);
            wav->format.cbSize = 0;
            // Extensible: the real tag is the first word of the subformat.
            if (wav->format.wFormatTag == 0xFFFE && size >= 40)
                wav->format.wFormatTag = ReadWord(f + 24);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            // A truncated file keeps the data that is there.
            const std::size_t length = size < available ? size : available;
            wav->data.assign(chunk + 8, chunk + 8 + length);
            haveData = true;
        }
        pos += 8 + size + (size & 1);
    }
    if (!haveFormat || !haveData) {
        *error = path + " has no " + (haveFormat ? "data" : "format") + " chunk";
        return false;
    }
    const WAVEFORMATEX& f = wav->format;
    const bool pcm = f.wFormatTag == WAVE_FORMAT_PCM && (f.wBitsPerSample == 8 || f.wBitsPerSample == 16);
    const bool ieee = f.wFormatTag == WAVE_FORMAT_IEEE_FLOAT && f.wBitsPerSample == 32;
    if ((!pcm && !ieee) || f.nChannels == 0 || f.nSamplesPerSec == 0) {
        *error = path + " is not 8/16-bit PCM or 32-bit float";
        return false;
    }
    // A frame, also as the 32-bit floats the source may deliver, must fit the 16-bit block
    // size: a block size that wrapped to 0 divided by zero.
    if (f.nChannels > MaxChannels) {
        *error = path + " has more than " + std::to_string(MaxChannels) + " channels";
        return false;
    }
    SetDerivedWaveFields(wav->format);
    return true;
}

std::vector<BYTE> WavFile::MakeHeader(const WAVEFORMATEX& format, DWORD dataBytes)
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
