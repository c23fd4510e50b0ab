#include "tools/embrel-batch/FileKind.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <strings.h>
#include <unistd.h>

namespace {

unsigned Le16(const unsigned char* p)
{
    return unsigned(p[0]) | unsigned(p[1]) << 8;
}

unsigned Le32(const unsigned char* p)
{
    return Le16(p) | Le16(p + 2) << 16;
}

// Whether a format chunk that is not the designed reader's describes a sample format
// libsndfile reads, laid out consistently: integer PCM of 24 or 32 bits, float of 32 or
// 64, A-law or mu-law of 8, and the same in an extensible chunk.
bool OtherFormat(const unsigned char* fmt, unsigned size)
{
    unsigned tag = Le16(fmt);
    const unsigned channels = Le16(fmt + 2), rate = Le32(fmt + 4), byteRate = Le32(fmt + 8);
    const unsigned align = Le16(fmt + 12), bits = Le16(fmt + 14);
    if (tag == 0xFFFE) {
        if (size < 40 || Le16(fmt + 16) < 22) return false;
        tag = Le16(fmt + 24);  // the sub-format's first two bytes are its format tag
    }
    const bool known = (tag == 1 && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) ||
                       (tag == 3 && (bits == 32 || bits == 64)) || ((tag == 6 || tag == 7) && bits == 8);
    return known && channels > 0 && rate > 0 && align == channels * bits / 8 && byteRate == align * rate;
}

// For a RIFF WAVE file, which reader its format chunk, found in the first bytes, goes
// to. The designed reader takes PCM of 8 or 16 bits, and every file whose format chunk
// is missing, damaged or unknown: it reports what is wrong with it.
FileKind::Kind WaveKind(const unsigned char* head, std::size_t size)
{
    std::size_t at = 12;
    while (at + 8 <= size) {
        const unsigned chunk = Le32(head + at + 4);
        if (std::memcmp(head + at, "fmt ", 4) == 0) {
            if (at + 8 + 16 > size || chunk < 16) return FileKind::DesignedWav;
            const unsigned char* fmt = head + at + 8;
            const unsigned tag = Le16(fmt), bits = Le16(fmt + 14);
            if (tag == 1 && (bits == 8 || bits == 16)) return FileKind::DesignedWav;
            const unsigned available = unsigned(std::min<std::size_t>(chunk, size - at - 8));
            return OtherFormat(fmt, available) ? FileKind::OtherWav : FileKind::DesignedWav;
        }
        at += 8 + std::size_t(chunk) + (chunk & 1);
    }
    return FileKind::DesignedWav;
}

}  // namespace

bool FileKind::HasWavExtension(const std::string& path)
{
    return path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".wav") == 0;
}

FileKind::Kind FileKind::Sniff(int fd, bool nameIsWav)
{
    unsigned char head[4096];
    const ssize_t got = pread(fd, head, sizeof head, 0);
    const std::size_t size = got > 0 ? std::size_t(got) : 0;
    auto startsWith = [&](const char* magic) {
        const std::size_t n = std::strlen(magic);
        return size >= n && std::memcmp(head, magic, n) == 0;
    };
    if (size >= 12 && startsWith("RIFF") && std::memcmp(head + 8, "WAVE", 4) == 0)
        return WaveKind(head, size);
    if (startsWith("fLaC")) return nameIsWav ? FlacNamedWav : Sndfile;
    if (startsWith("ID3") || (size >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0)) return Mp3;
    for (const char* magic : {"RF64", "riff", "FORM", "OggS", "caff", ".snd"})
        if (startsWith(magic)) return Sndfile;
    return DesignedWav;
}
