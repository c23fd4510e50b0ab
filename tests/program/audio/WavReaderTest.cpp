#include <gtest/gtest.h>

#include <cstdint>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <string>

#include "WavTestFiles.h"
#include "platform/base/Memory.h"
#include "program/audio/WavReader.h"

using namespace wavtest;

namespace {

class WavReaderTest : public ::testing::Test {
protected:
    // Writes the file, opens it and reads its header; returns the reader's flag.
    int Load(const Spec& spec, int bufferSize = 16384)
    {
        WriteFile(path, Build(spec));
        reader.SetFileName(path.c_str());
        reader.Open();
        EXPECT_EQ(reader.GetErrorFlag(), 0);
        reader.ReadHeader(bufferSize);
        return reader.GetErrorFlag();
    }
    std::string Message(const char* text) const
    {
        char buffer[2048];
        std::snprintf(buffer, sizeof buffer, text, path.c_str());
        return buffer;
    }

    TempDir dir;
    std::string path = dir.File("in.wav");
    WavReader reader;
};

}  // namespace

TEST_F(WavReaderTest, ReadsTheFormatAndHandsOutTheDataInBlocks)
{
    Spec s;
    s.data = Ramp(1002);  // 250 frames of 16-bit stereo and half a frame
    ASSERT_EQ(Load(s, 64), 0) << reader.GetErrorText();
    EXPECT_EQ(reader.GetBitsPerSample(), 16);
    EXPECT_EQ(reader.GetChannels(), 2);
    EXPECT_EQ(reader.GetSampleRate(), 44100u);
    EXPECT_EQ(reader.GetTotalFrames(), 250u) << "the partial frame is dropped";
    EXPECT_EQ(reader.GetDataChunk().cksize, 1002u);
    ASSERT_NE(reader.GetFormat(), nullptr);
    EXPECT_EQ(reader.GetFormat()->cbSize, 0);
    EXPECT_EQ(reader.GetFormat()->nBlockAlign, 4);

    // Block reads cross many refills of the 64-byte buffer; the last request is clamped.
    Bytes got(2000);
    EXPECT_EQ(reader.ReadBlock(got.data(), 600), 600);
    EXPECT_EQ(reader.ReadBlock(got.data() + 600, 600), 402);
    EXPECT_EQ(reader.GetErrorFlag(), 0);
    EXPECT_EQ(reader.ReadBlock(got.data(), 600), 0);
    got.resize(1002);
    EXPECT_EQ(got, s.data);
    reader.Close();
    EXPECT_EQ(reader.GetErrorFlag(), 0);
    EXPECT_EQ(reader.GetFormat(), nullptr) << "Close frees the format";
}

TEST_F(WavReaderTest, AcceptsAnEighteenByteFormatAndSkipsChunksBeforeTheData)
{
    Spec s;
    s.channels = 1;
    s.bits = 8;
    s.eighteenByteFormat = true;
    s.chunksBeforeData = true;
    s.data = Ramp(77);
    ASSERT_EQ(Load(s), 0) << reader.GetErrorText();
    EXPECT_EQ(reader.GetFormatChunk().cksize, 18u);
    EXPECT_EQ(reader.GetDataChunk().cksize, 77u);
    Bytes got(100);
    ASSERT_EQ(reader.ReadBlock(got.data(), 100), 77);
    got.resize(77);
    EXPECT_EQ(got, s.data);
}

TEST_F(WavReaderTest, MalformedFilesEndOnTheLastFailedStepsMessage)
{
    struct Case {
        const char* what;
        Spec spec;
        const char* message;
    };
    Spec dataFirst;
    dataFirst.dataBeforeFormat = true;
    dataFirst.data = Ramp(8);
    Spec aviWithWaveChunks;  // a RIFF of another form that happens to hold "fmt " and "data"
    aviWithWaveChunks.form = "AVI ";
    aviWithWaveChunks.data = Ramp(8);
    Spec bits24;
    bits24.bits = 24;
    bits24.data = Ramp(12);
    Spec extensible;
    extensible.tag = 0xFFFE;
    extensible.data = Ramp(8);
    Case cases[] = {
        {"data chunk before the format chunk", dataFirst,
         "Input file, %s, is not a valid WAV file (descend error).\n"},
        {"RIFF of another form type", aviWithWaveChunks,
         "Input file, %s, is not a valid WAV file (RIFF/WAVE header error).\n"},
        {"24-bit PCM", bits24, "Input file, %s, is not 8 or 16 bit format.\n"},
        {"format tag other than PCM", extensible,
         "Input file, %s, is not a valid WAV file (format error).\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Load(c.spec), 1);
        EXPECT_EQ(reader.GetErrorText(), Message(c.message));
    }
}

TEST_F(WavReaderTest, AnAviEndsOnTheDescendErrorOfItsMissingDataChunk)
{
    // The form-type check fails first, but the searches that follow fail too, and the
    // search for "data" is the last of them.
    Bytes body;
    Put(body, "AVI ");
    Bytes hdrl;
    Put(hdrl, "hdrl");
    PutChunk(hdrl, "avih", Bytes(56, 0));
    PutChunk(body, "LIST", hdrl);
    Bytes movi;
    Put(movi, "movi");
    PutChunk(movi, "00dc", Ramp(30));
    PutChunk(body, "LIST", movi);
    Bytes file;
    Put(file, "RIFF");
    Put32(file, std::uint32_t(body.size()));
    for (unsigned char c : body) file.push_back(c);
    WriteFile(path, file);
    reader.SetFileName(path.c_str());
    reader.Open();
    reader.ReadHeader(1024);
    EXPECT_EQ(reader.GetErrorFlag(), 1);
    EXPECT_EQ(reader.GetErrorText(), Message("Input file, %s, is not a valid WAV file (descend error).\n"));
}

TEST_F(WavReaderTest, FilesThatAreNotRiffOrMissingGetTheirMessages)
{
    WriteFile(path, Bytes{'h', 'e', 'l', 'l', 'o'});
    reader.SetFileName(path.c_str());
    reader.Open();
    reader.ReadHeader(1024);
    EXPECT_EQ(reader.GetErrorFlag(), 1);
    EXPECT_EQ(reader.GetErrorText(), Message("Input file, %s, is not a valid WAV file (descend error).\n"));

    path = dir.File("missing.wav");
    reader.SetFileName(path.c_str());
    reader.Open();
    EXPECT_EQ(reader.GetErrorFlag(), 1);
    EXPECT_EQ(reader.GetErrorText(), Message("Cannot find or open input file %s.\n"));
    reader.ReadHeader(1024);  // no handle: every step fails, nothing crashes
    EXPECT_EQ(reader.GetErrorFlag(), 1);
    EXPECT_EQ(reader.GetChannels(), 0);
}

TEST_F(WavReaderTest, AccessorsClearTheFlagButSetBufferSizeDoesNot)
{
    Spec s;
    s.bits = 24;
    s.data = Ramp(12);
    ASSERT_EQ(Load(s), 1);
    reader.SetBufferSize(65536);
    EXPECT_EQ(reader.GetErrorFlag(), 1) << "SetBufferSize leaves a pending error";
    EXPECT_EQ(reader.GetBitsPerSample(), 24);
    EXPECT_EQ(reader.GetErrorFlag(), 0) << "an accessor clears it";
}

TEST_F(WavReaderTest, ADataChunkClaimingMoreThanTheFileEndsTheRead)
{
    Spec s;
    s.channels = 1;
    s.bits = 8;
    s.data = Ramp(100);
    s.claimedDataSize = 100000;
    ASSERT_EQ(Load(s, 32), 0);
    Bytes got(65536);
    EXPECT_EQ(reader.ReadBlock(got.data(), 16384), 100);
    EXPECT_EQ(reader.GetErrorFlag(), 1);
    EXPECT_EQ(reader.GetErrorText(), Message("Cannot read from %s.\n"));
    EXPECT_EQ(reader.ReadBlock(got.data(), 16384), 0);
}

TEST_F(WavReaderTest, ADataChunkBeyondTwoGigabytesIsReadToItsEnd)
{
    // A sparse file: a header claiming 2 GB + 100 bytes, holes, and a marker at the end.
    // Holes read fast only from memory.
    char sparse[] = "/dev/shm/calyrix-large-XXXXXX";
    const int fd = mkstemp(sparse);
    if (fd < 0) {
        GTEST_SKIP() << "no memory file system for a sparse file of 2 GB";
    }
    const std::uint32_t size = 0x80000064u;
    Spec s;
    s.claimedDataSize = size;
    const Bytes header = Build(s), marker = Ramp(100);
    const bool made = write(fd, header.data(), header.size()) == ssize_t(header.size()) &&
                      pwrite(fd, marker.data(), marker.size(), off_t(header.size()) + size - 100) == 100;
    close(fd);
    struct Remove {
        const char* name;
        ~Remove() { unlink(name); }
    } remove{sparse};
    ASSERT_TRUE(made);
    reader.SetFileName(sparse);
    reader.Open();
    reader.ReadHeader(65536);
    ASSERT_EQ(reader.GetErrorFlag(), 0) << reader.GetErrorText();

    Bytes block(65536);
    std::uint64_t total = 0;
    int n = 0;
    while ((n = reader.ReadBlock(block.data(), 65536)) == 65536) total += 65536;
    EXPECT_EQ(reader.GetErrorFlag(), 0) << reader.GetErrorText();
    EXPECT_EQ(total + std::uint64_t(n), size);
    ASSERT_EQ(n, 100);
    block.resize(100);
    EXPECT_EQ(block, marker);
}

TEST_F(WavReaderTest, AFailedFormatAllocationLeavesNoFormatAndNoCrash)
{
    Spec s;
    s.data = Ramp(40);
    WriteFile(path, Build(s));
    reader.SetFileName(path.c_str());
    reader.Open();
    FailAllocationForTesting(1);  // the format block is the header's first allocation
    reader.ReadHeader(1024);
    FailAllocationForTesting(0);
    EXPECT_EQ(reader.GetErrorFlag(), 1);
    EXPECT_STREQ(reader.GetErrorText(), "Out of memory.\nClose some applications and try again.\n");
    EXPECT_EQ(reader.GetFormat(), nullptr);
    EXPECT_EQ(reader.GetChannels(), 0);
    EXPECT_EQ(reader.GetTotalFrames(), 0u);
}

TEST_F(WavReaderTest, AFormatWhoseRateOrLayoutDisagreesIsRefused)
{
    const std::string layout = "Input file, " + path +
                               ", is not a valid WAV file (its block alignment or byte rate does not match its "
                               "channels and bits).\n";
    struct Case {
        std::uint32_t rate;
        int blockAlign;
        std::string message;
    } cases[] = {
        {0, -1, "Input file, " + path + ", is not a valid WAV file (its sample rate is 0).\n"},
        {44100, 0, layout},
        {44100, 2, layout},  // stereo 16-bit needs 4
        {44100, 5, layout},
    };
    for (const Case& c : cases) {
        Spec s;
        s.rate = c.rate;
        s.blockAlign = c.blockAlign;
        s.data = Ramp(40);
        EXPECT_EQ(Load(s), 1) << c.rate << " " << c.blockAlign;
        EXPECT_EQ(reader.GetErrorText(), c.message);
    }
    // A byte rate that is not the rate times the frame size.
    Spec s;
    s.data = Ramp(40);
    Bytes file = Build(s);
    file[28] ^= 1;  // nAvgBytesPerSec: RIFF header 12 + chunk header 8 + 8
    WriteFile(path, file);
    reader.Open();
    reader.ReadHeader(1024);
    EXPECT_EQ(reader.GetErrorText(), layout);
}

TEST_F(WavReaderTest, ReopeningAnOpenReaderStartsOver)
{
    Spec s;
    s.data = Ramp(40);
    ASSERT_EQ(Load(s), 0);
    Bytes got(64);
    EXPECT_EQ(reader.ReadBlock(got.data(), 10), 10);
    reader.Open();  // reopening the open reader
    reader.ReadHeader(1024);
    EXPECT_EQ(reader.ReadBlock(got.data(), 64), 40);
    got.resize(40);
    EXPECT_EQ(got, s.data);
}
