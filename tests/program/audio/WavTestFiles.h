#pragma once

// Builds WAV files byte by byte for the audio tests, independent of the code under test.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace wavtest {

using Bytes = std::vector<unsigned char>;

inline void Put(Bytes& b, const char* fourcc)
{
    for (int i = 0; i < 4; ++i) b.push_back((unsigned char)fourcc[i]);
}
inline void Put16(Bytes& b, unsigned v)
{
    b.push_back((unsigned char)(v & 0xFF));
    b.push_back((unsigned char)((v >> 8) & 0xFF));
}
inline void Put32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back((unsigned char)(v >> (8 * i)));
}
inline void PutChunk(Bytes& b, const char* id, const Bytes& data, std::uint32_t claimed = 0xFFFFFFFF)
{
    Put(b, id);
    Put32(b, claimed == 0xFFFFFFFF ? std::uint32_t(data.size()) : claimed);
    for (unsigned char c : data) b.push_back(c);
    if (data.size() % 2) b.push_back(0);
}

struct Spec {
    unsigned tag = 1;
    unsigned channels = 2;
    std::uint32_t rate = 44100;
    unsigned bits = 16;
    int blockAlign = -1;        // -1: channels * bits / 8
    bool eighteenByteFormat = false;
    bool chunksBeforeData = false;  // "fact" and "LIST" between "fmt " and "data"
    bool dataBeforeFormat = false;
    const char* form = "WAVE";
    Bytes data;
    std::uint32_t claimedDataSize = 0xFFFFFFFF;  // default: the real size
};

inline Bytes FormatChunkData(const Spec& s)
{
    Bytes f;
    const unsigned align = s.blockAlign >= 0 ? unsigned(s.blockAlign) : s.channels * s.bits / 8;
    Put16(f, s.tag);
    Put16(f, s.channels);
    Put32(f, s.rate);
    Put32(f, s.rate * align);
    Put16(f, align);
    Put16(f, s.bits);
    if (s.eighteenByteFormat) Put16(f, 0);
    return f;
}

inline Bytes Build(const Spec& s)
{
    Bytes body;
    Put(body, s.form);
    if (s.dataBeforeFormat) PutChunk(body, "data", s.data, s.claimedDataSize);
    PutChunk(body, "fmt ", FormatChunkData(s));
    if (s.chunksBeforeData) {
        PutChunk(body, "fact", Bytes{1, 0, 0, 0});
        Bytes list;
        Put(list, "INFO");
        PutChunk(list, "ISFT", Bytes{'t', 'e', 's', 't', 0});
        PutChunk(body, "LIST", list);
    }
    if (!s.dataBeforeFormat) PutChunk(body, "data", s.data, s.claimedDataSize);
    Bytes file;
    Put(file, "RIFF");
    Put32(file, std::uint32_t(body.size()));
    for (unsigned char c : body) file.push_back(c);
    return file;
}

inline Bytes Ramp(std::size_t n, unsigned seed = 1)
{
    Bytes b(n);
    std::uint32_t x = seed;
    for (auto& c : b) {
        x = x * 1103515245u + 12345u;
        c = (unsigned char)(x >> 16);
    }
    return b;
}

inline void WriteFile(const std::string& path, const Bytes& b)
{
    std::ofstream(path, std::ios::binary).write((const char*)b.data(), std::streamsize(b.size()));
}

inline Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A fresh directory for one test, removed with its files at the end.
class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/calyrix-audio-XXXXXX";
        if (mkdtemp(pattern)) path = pattern;
    }
    ~TempDir()
    {
        if (!path.empty() && std::system(("rm -rf '" + path + "'").c_str()) != 0) {}
    }
    std::string File(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

}  // namespace wavtest
