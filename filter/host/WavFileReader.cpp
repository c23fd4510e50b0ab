#include "filter/host/WavFileReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace

WavFileReader::~WavFileReader()
{
    if (fd >= 0)
        ::close(fd);
}

bool WavFileReader::Fail(const std::string& reason)
{
    errorText = path + ": " + reason;
    return false;
}

bool WavFileReader::Open(const std::string& name)
{
    path = name;
    if (fd >= 0)
        ::close(fd);
    // Without O_NONBLOCK the open of a FIFO would wait for a writer; the stream is read
    // by position, so a FIFO or socket is refused at once.
    fd = ::open(name.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        errorText = "cannot open " + name + ": " + std::strerror(errno);
        return false;
    }
    struct stat st;
    const bool statFailed = ::fstat(fd, &st) != 0;
    if (statFailed || S_ISDIR(st.st_mode)) {
        errorText = "cannot read " + name + ": " + std::strerror(statFailed ? errno : EISDIR);
        return false;
    }
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
        errorText = "cannot read " + name + ": it is a pipe, and a file is read here (embrel-batch reads pipes)";
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    BYTE riff[12];
    const long long got = ReadAt(0, riff, sizeof riff);
    if (got < 0)
        return false;
    if (got < 12 || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
        errorText = name + " is not a RIFF WAVE file";
        return false;
    }
    return FindChunks(static_cast<ULONGLONG>(st.st_size), S_ISREG(st.st_mode)) && CheckFormat();
}

// Walks the chunks after the RIFF header up to the data chunk. sized: the file's length is
// known (a regular file), so a chunk that claims more is cut to what is there.
bool WavFileReader::FindChunks(ULONGLONG fileBytes, bool sized)
{
    bool haveFormat = false;
    ULONGLONG position = 12;
    BYTE header[8];
    for (;;) {
        const long long got = ReadAt(position, header, sizeof header);
        if (got < 0)
            return false;
        if (got < 8)
            break;
        const DWORD size = ReadDword(header + 4);
        const ULONGLONG available = sized ? fileBytes - position - 8 : ~0ULL;
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (size < 16 || size > available)
                return Fail("has a damaged format chunk");
            if (!ReadFormat(position + 8, size))
                return false;
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            if (!haveFormat)
                break;
            dataOffset = position + 8;
            dataBytes = size < available ? size : available;
            return true;
        }
        position += 8 + ULONGLONG(size) + (size & 1);
    }
    errorText = path + " has no " + (haveFormat ? "data" : "format") + " chunk";
    return false;
}

bool WavFileReader::ReadFormat(ULONGLONG position, DWORD size)
{
    BYTE f[40] = {};
    const std::size_t wanted = size < sizeof f ? size : sizeof f;
    const long long got = ReadAt(position, f, wanted);
    if (got < 0)
        return false;
    if (static_cast<std::size_t>(got) < wanted)
        return Fail("has a damaged format chunk");
    format.wFormatTag = ReadWord(f);
    format.nChannels = ReadWord(f + 2);
    format.nSamplesPerSec = ReadDword(f + 4);
    format.nAvgBytesPerSec = ReadDword(f + 8);
    format.nBlockAlign = ReadWord(f + 12);
    format.wBitsPerSample = ReadWord(f + 14);
    format.cbSize = 0;
    // Extensible: the real tag is the first word of the subformat.
    if (format.wFormatTag == 0xFFFE && size >= 40)
        format.wFormatTag = ReadWord(f + 24);
    return true;
}

bool WavFileReader::CheckFormat()
{
    const WAVEFORMATEX& f = format;
    const bool pcm = f.wFormatTag == WAVE_FORMAT_PCM && (f.wBitsPerSample == 8 || f.wBitsPerSample == 16);
    const bool ieee = f.wFormatTag == WAVE_FORMAT_IEEE_FLOAT && f.wBitsPerSample == 32;
    if (!pcm && !ieee)
        return Fail("is not 8/16-bit PCM or 32-bit float");
    if (f.nChannels == 0)
        return Fail("has no channels");
    if (f.nChannels > MaxChannels)
        return Fail("has more than " + std::to_string(MaxChannels) + " channels");
    if (f.nSamplesPerSec == 0)
        return Fail("has a sample rate of 0");
    WAVEFORMATEX derived = f;
    SetDerivedWaveFields(derived);
    if (derived.nBlockAlign != f.nBlockAlign ||
        ULONGLONG(f.nAvgBytesPerSec) != ULONGLONG(f.nSamplesPerSec) * derived.nBlockAlign)
        return Fail("has a block alignment or byte rate that does not match its channels and bits");
    return true;
}

long long WavFileReader::Read(ULONGLONG offset, BYTE* buffer, std::size_t count)
{
    if (offset >= dataBytes)
        return 0;
    if (count > dataBytes - offset)
        count = static_cast<std::size_t>(dataBytes - offset);
    return ReadAt(dataOffset + offset, buffer, count);
}

long long WavFileReader::ReadAt(ULONGLONG offset, BYTE* buffer, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t r = ::pread(fd, buffer + done, count - done, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            errorText = "cannot read " + path + ": " + std::strerror(errno);
            return -1;
        }
        if (r == 0)
            break;
        done += static_cast<std::size_t>(r);
    }
    return static_cast<long long>(done);
}
