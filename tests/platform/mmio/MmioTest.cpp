#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/base/Memory.h"
#include "platform/mmio/Mmio.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Append(Bytes& b, const char* fourcc)
{
    for (int i = 0; i < 4; ++i) b.push_back(BYTE(fourcc[i]));
}
void Append32(Bytes& b, DWORD v)
{
    for (int i = 0; i < 4; ++i) b.push_back(BYTE(v >> (8 * i)));
}
void AppendChunk(Bytes& b, const char* id, const Bytes& data, bool pad = true)
{
    Append(b, id);
    Append32(b, DWORD(data.size()));
    for (unsigned char c : data) b.push_back(c);
    if (pad && data.size() % 2) b.push_back(0);
}

class MmioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/mmio-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        path = dir + "/f.riff";
    }
    void TearDown() override
    {
        std::remove(path.c_str());
        std::remove(dir.c_str());
    }
    void WriteFile(const Bytes& b)
    {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                    std::streamsize(b.size()));
    }
    Bytes ReadFile()
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    HMMIO OpenRead(LONG buffer = 0)
    {
        MMIOINFO info{};
        info.cchBuffer = buffer;
        HMMIO h = mmioOpenA(path.c_str(), &info, MMIO_READ | MMIO_ALLOCBUF);
        EXPECT_NE(h, nullptr);
        return h;
    }
    HMMIO Create(LONG buffer = 0)
    {
        MMIOINFO info{};
        info.cchBuffer = buffer;
        HMMIO h = mmioOpenA(path.c_str(), &info, MMIO_CREATE | MMIO_READWRITE | MMIO_ALLOCBUF);
        EXPECT_NE(h, nullptr);
        return h;
    }

    std::string dir;
    std::string path;
};

// RIFF/WAVE with an odd-sized "junk" chunk (padded) before "fmt ", then "data"; after the
// RIFF chunk's end, another "data" chunk that a search inside the RIFF must not find.
Bytes SampleRiff()
{
    Bytes body;
    Append(body, "WAVE");
    AppendChunk(body, "junk", Bytes{1, 2, 3});
    AppendChunk(body, "fmt ", Bytes(16, 7));
    AppendChunk(body, "data", Bytes{10, 11, 12, 13, 14});
    Bytes file;
    Append(file, "RIFF");
    Append32(file, DWORD(body.size()));
    for (unsigned char c : body) file.push_back(c);
    AppendChunk(file, "tail", Bytes{});
    return file;
}

}  // namespace

TEST_F(MmioTest, DescendFindsChunksInsideTheParentSkippingPaddedSiblings)
{
    WriteFile(SampleRiff());
    HMMIO h = OpenRead();
    MMCKINFO riff{};
    ASSERT_EQ(mmioDescend(h, &riff, nullptr, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(riff.ckid, FOURCC_RIFF);
    EXPECT_EQ(riff.fccType, mmioFOURCC('W', 'A', 'V', 'E'));
    EXPECT_EQ(riff.dwDataOffset, 8u);

    MMCKINFO fmt{};
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    ASSERT_EQ(mmioDescend(h, &fmt, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(fmt.cksize, 16u);
    EXPECT_EQ(fmt.dwDataOffset, 12u + 12u + 8u) << "junk is 3 bytes plus its pad byte";
    char first = 0;
    EXPECT_EQ(mmioRead(h, &first, 1), 1);
    EXPECT_EQ(first, 7);

    ASSERT_EQ(mmioAscend(h, &fmt, 0), MMSYSERR_NOERROR);
    MMCKINFO data{};
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioDescend(h, &data, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    EXPECT_EQ(data.cksize, 5u);
    char bytes[5];
    EXPECT_EQ(mmioRead(h, bytes, 5), 5);
    EXPECT_EQ(bytes[4], 14);

    // Ascending the odd data chunk skips its pad byte; a second search stops at the
    // RIFF chunk's end although a "tail" chunk follows in the file.
    ASSERT_EQ(mmioAscend(h, &data, 0), MMSYSERR_NOERROR);
    MMCKINFO tail{};
    tail.ckid = mmioFOURCC('t', 'a', 'i', 'l');
    EXPECT_EQ(mmioDescend(h, &tail, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    ASSERT_EQ(mmioAscend(h, &riff, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioDescend(h, &tail, nullptr, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(tail.ckid, mmioFOURCC('t', 'a', 'i', 'l'));
    EXPECT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
}

TEST_F(MmioTest, DescendFailsOnTruncatedHeadersAndEmptyFiles)
{
    WriteFile(Bytes{'R', 'I', 'F', 'F', 4, 0});
    HMMIO h = OpenRead();
    MMCKINFO ck{};
    EXPECT_EQ(mmioDescend(h, &ck, nullptr, 0), MMIOERR_CHUNKNOTFOUND);
    mmioClose(h, 0);

    WriteFile(Bytes{});
    h = OpenRead();
    EXPECT_EQ(mmioDescend(h, &ck, nullptr, 0), MMIOERR_CHUNKNOTFOUND);
    mmioClose(h, 0);
}

TEST_F(MmioTest, FindRiffMatchesTheFormType)
{
    WriteFile(SampleRiff());
    HMMIO h = OpenRead();
    MMCKINFO ck{};
    ck.fccType = mmioFOURCC('A', 'V', 'I', ' ');
    EXPECT_EQ(mmioDescend(h, &ck, nullptr, MMIO_FINDRIFF), MMIOERR_CHUNKNOTFOUND);
    mmioSeek(h, 0, SEEK_SET);
    ck.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    EXPECT_EQ(mmioDescend(h, &ck, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    mmioClose(h, 0);
}

TEST_F(MmioTest, CreatedChunksGetTheirPadByteAndTrueSizes)
{
    HMMIO h = Create(16);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    riff.cksize = 1000;  // a stale size, as copied from another file
    ASSERT_EQ(mmioCreateChunk(h, &riff, MMIO_CREATERIFF), MMSYSERR_NOERROR);
    MMCKINFO fmt{};
    fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
    fmt.cksize = 4;  // right: no patch needed
    ASSERT_EQ(mmioCreateChunk(h, &fmt, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioWrite(h, "abcd", 4), 4);
    ASSERT_EQ(mmioAscend(h, &fmt, 0), MMSYSERR_NOERROR);
    MMCKINFO data{};
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    data.cksize = 0x7777;
    ASSERT_EQ(mmioCreateChunk(h, &data, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(data.dwFlags, MMIO_DIRTY);
    const std::string payload = "0123456789abcdefghijklmnopqrstuvwxyz!";  // 37: odd, > buffer
    EXPECT_EQ(mmioWrite(h, payload.data(), LONG(payload.size())), LONG(payload.size()));
    ASSERT_EQ(mmioAscend(h, &data, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(data.cksize, 37u);
    ASSERT_EQ(mmioAscend(h, &riff, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);

    Bytes expected;
    Append(expected, "RIFF");
    Append32(expected, 4 + 12 + 8 + 38);
    Append(expected, "WAVE");
    AppendChunk(expected, "fmt ", Bytes{'a', 'b', 'c', 'd'});
    AppendChunk(expected, "data", Bytes(payload.begin(), payload.end()));
    EXPECT_EQ(ReadFile(), expected);
}

TEST_F(MmioTest, DirectBufferWritesReachTheFileAcrossAdvances)
{
    HMMIO h = Create(16);
    MMIOINFO info{};
    ASSERT_EQ(mmioGetInfo(h, &info, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(info.cchBuffer, 16);
    for (int i = 0; i < 100; ++i) {
        if (info.pchNext == info.pchEndWrite) {
            ASSERT_EQ(mmioAdvance(h, &info, MMIO_WRITE), MMSYSERR_NOERROR);
        }
        *info.pchNext++ = char(i);
        info.dwFlags |= MMIO_DIRTY;
    }
    ASSERT_EQ(mmioSetInfo(h, &info, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR), 100);
    ASSERT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
    Bytes got = ReadFile();
    ASSERT_EQ(got.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(got[i], i);
}

TEST_F(MmioTest, DirectBufferReadsEndWithAnEmptyRefillAtTheEndOfTheFile)
{
    Bytes content(50);
    for (int i = 0; i < 50; ++i) content[i] = BYTE(i * 3);
    WriteFile(content);
    HMMIO h = OpenRead(16);
    MMIOINFO info{};
    mmioGetInfo(h, &info, 0);
    Bytes got;
    for (;;) {
        if (info.pchNext == info.pchEndRead) {
            ASSERT_EQ(mmioAdvance(h, &info, MMIO_READ), MMSYSERR_NOERROR);
            if (info.pchNext == info.pchEndRead) break;
        }
        got.push_back(BYTE(*info.pchNext++));
    }
    EXPECT_EQ(got, content);
    EXPECT_EQ(mmioSetInfo(h, &info, 0), MMSYSERR_NOERROR);
    char c;
    EXPECT_EQ(mmioRead(h, &c, 1), 0);
    mmioClose(h, 0);
}

TEST_F(MmioTest, SetBufferKeepsThePositionAndFailsSoftlyWithoutMemory)
{
    Bytes content(40);
    for (int i = 0; i < 40; ++i) content[i] = BYTE(i);
    WriteFile(content);
    HMMIO h = OpenRead(8);
    char c[4];
    ASSERT_EQ(mmioRead(h, c, 3), 3);
    ASSERT_EQ(mmioSetBuffer(h, nullptr, 32, 0), MMSYSERR_NOERROR);
    MMIOINFO info{};
    mmioGetInfo(h, &info, 0);
    EXPECT_EQ(info.cchBuffer, 32);
    ASSERT_EQ(mmioRead(h, c, 1), 1);
    EXPECT_EQ(c[0], 3);

    FailAllocationForTesting(1);
    EXPECT_EQ(mmioSetBuffer(h, nullptr, 64, 0), MMIOERR_OUTOFMEMORY);
    FailAllocationForTesting(0);
    mmioGetInfo(h, &info, 0);
    EXPECT_EQ(info.cchBuffer, 32) << "the old buffer stays";
    ASSERT_EQ(mmioRead(h, c, 1), 1);
    EXPECT_EQ(c[0], 4);
    mmioClose(h, 0);
}

TEST_F(MmioTest, CreateTruncatesAndReadWriteSeesItsOwnWrites)
{
    WriteFile(Bytes(500, 0xEE));
    HMMIO h = Create(8);
    EXPECT_EQ(mmioWrite(h, "hello world", 11), 11);
    EXPECT_EQ(mmioSeek(h, 6, SEEK_SET), 6);
    char w[5];
    EXPECT_EQ(mmioRead(h, w, 5), 5);
    EXPECT_EQ(std::string(w, 5), "world");
    EXPECT_EQ(mmioSeek(h, 0, SEEK_SET), 0);
    EXPECT_EQ(mmioWrite(h, "J", 1), 1);
    EXPECT_EQ(mmioSeek(h, 0, SEEK_END), 11);
    mmioClose(h, 0);
    Bytes got = ReadFile();
    EXPECT_EQ(std::string(got.begin(), got.end()), "Jello world");
}

TEST_F(MmioTest, UnbufferedFilesReadAndWriteButCannotAdvance)
{
    HMMIO h = mmioOpenA(path.c_str(), nullptr, MMIO_CREATE | MMIO_READWRITE);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(mmioWrite(h, "abc", 3), 3);
    MMIOINFO info{};
    EXPECT_EQ(mmioAdvance(h, &info, MMIO_WRITE), MMIOERR_UNBUFFERED);
    EXPECT_EQ(mmioSeek(h, 1, SEEK_SET), 1);
    char c;
    EXPECT_EQ(mmioRead(h, &c, 1), 1);
    EXPECT_EQ(c, 'b');
    mmioClose(h, 0);
}

TEST_F(MmioTest, OpeningMissingFilesOrDirectoriesFails)
{
    MMIOINFO info{};
    EXPECT_EQ(mmioOpenA((dir + "/missing.wav").c_str(), &info, MMIO_READ | MMIO_ALLOCBUF), nullptr);
    EXPECT_EQ(info.wErrorRet, MMIOERR_FILENOTFOUND);
    EXPECT_EQ(mmioOpenA(dir.c_str(), &info, MMIO_READ | MMIO_ALLOCBUF), nullptr);
    EXPECT_EQ(info.wErrorRet, MMIOERR_CANNOTOPEN);
    // A FIFO nobody writes to is refused at once, not waited on (the alarm ends a wait).
    const std::string fifo = dir + "/fifo.wav";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    alarm(10);
    EXPECT_EQ(mmioOpenA(fifo.c_str(), &info, MMIO_READ | MMIO_ALLOCBUF), nullptr);
    EXPECT_EQ(mmioOpenA(fifo.c_str(), &info, MMIO_WRITE), nullptr);
    alarm(0);
    EXPECT_EQ(info.wErrorRet, MMIOERR_CANNOTOPEN);
    // A read-only handle refuses writes.
    WriteFile(Bytes{1});
    HMMIO h = OpenRead();
    EXPECT_EQ(mmioWrite(h, "x", 1), -1);
    mmioClose(h, 0);
}

TEST_F(MmioTest, AChunkClaimingMoreThanTheFileHoldsIsFoundButItsRefillIsEmpty)
{
    Bytes file;
    Append(file, "data");
    Append32(file, 1000);
    for (int i = 0; i < 10; ++i) file.push_back(BYTE(i));
    WriteFile(file);
    HMMIO h = OpenRead(4);
    MMCKINFO data{};
    ASSERT_EQ(mmioDescend(h, &data, nullptr, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(data.cksize, 1000u);
    MMIOINFO info{};
    mmioGetInfo(h, &info, 0);
    int got = 0, refills = 0;
    while (got < 1000 && refills < 100) {
        if (info.pchNext == info.pchEndRead) {
            ++refills;
            ASSERT_EQ(mmioAdvance(h, &info, MMIO_READ), MMSYSERR_NOERROR);
            if (info.pchNext == info.pchEndRead) break;
        }
        ++info.pchNext;
        ++got;
    }
    EXPECT_EQ(got, 10);
    mmioSetInfo(h, &info, 0);
    mmioClose(h, 0);
}
