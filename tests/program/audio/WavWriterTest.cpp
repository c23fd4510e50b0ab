#include <gtest/gtest.h>

#include <string>

#include "WavTestFiles.h"
#include "platform/base/Memory.h"
#include "program/audio/WavReader.h"
#include "program/audio/WavWriter.h"

using namespace wavtest;

namespace {

class WavWriterTest : public ::testing::Test {
protected:
    void OpenInput(const Spec& spec)
    {
        WriteFile(in, Build(spec));
        reader.SetFileName(in.c_str());
        reader.Open();
        reader.ReadHeader(16384);
        ASSERT_EQ(reader.GetErrorFlag(), 0) << reader.GetErrorText();
    }
    void Begin(int bufferSize = 16384)
    {
        writer.SetFileName(out.c_str());
        writer.Create();
        ASSERT_EQ(writer.GetErrorFlag(), 0) << writer.GetErrorText();
        writer.BeginData(reader.GetRiffChunk(), reader.GetFormatChunk(), reader.GetDataChunk(),
                         reader.GetFormat(), bufferSize);
        ASSERT_EQ(writer.GetErrorFlag(), 0) << writer.GetErrorText();
    }
    // Copies the input to the output in blocks of blockBytes, at most maxBlocks of them.
    void Copy(int blockBytes, int maxBlocks = 1 << 30)
    {
        Bytes block = Bytes(std::size_t(blockBytes));
        for (int i = 0; i < maxBlocks; ++i) {
            const int n = reader.ReadBlock(block.data(), blockBytes);
            EXPECT_EQ(writer.WriteBlock(block.data(), n), n);
            if (n < blockBytes) break;
        }
    }

    // The layout every output has: RIFF, a 16-byte "fmt ", "data", pad byte when odd.
    static Bytes Expected(const Spec& spec, const Bytes& data)
    {
        Spec plain = spec;
        plain.eighteenByteFormat = false;
        Bytes fmt = FormatChunkData(plain);
        Bytes b;
        Put(b, "RIFF");
        Put32(b, std::uint32_t(4 + 8 + 16 + 8 + data.size() + data.size() % 2));
        Put(b, "WAVE");
        PutChunk(b, "fmt ", fmt);
        PutChunk(b, "data", data);
        return b;
    }

    TempDir dir;
    std::string in = dir.File("in.wav");
    std::string out = dir.File("~Embrel~.wav");
    WavReader reader;
    WavWriter writer;
};

}  // namespace

TEST_F(WavWriterTest, WritesTheInputFormatWithASixteenByteFormatAndNoOtherChunks)
{
    Spec s;
    s.eighteenByteFormat = true;
    s.chunksBeforeData = true;
    s.data = Ramp(5000);
    OpenInput(s);
    Begin(1000);
    Copy(1024);
    writer.Finish();
    EXPECT_EQ(writer.GetErrorFlag(), 0);
    EXPECT_EQ(ReadFile(out), Expected(s, s.data));
}

TEST_F(WavWriterTest, OddEightBitDataGetsAPadByteAndItsOddSize)
{
    Spec s;
    s.channels = 1;
    s.bits = 8;
    s.data = Ramp(333);
    OpenInput(s);
    Begin();
    Copy(16384);
    writer.Finish();
    const Bytes got = ReadFile(out);
    EXPECT_EQ(got, Expected(s, s.data));
    ASSERT_EQ(got.size(), 44u + 334u);
    EXPECT_EQ(got.back(), 0);
    EXPECT_EQ(got[40] | (got[41] << 8), 333);
}

TEST_F(WavWriterTest, AStoppedRunLeavesAWellFormedFileOfWhatWasWritten)
{
    Spec s;
    s.data = Ramp(10000);
    OpenInput(s);
    Begin(512);
    Copy(1024, 3);
    writer.Finish();
    const Bytes expectedData(s.data.begin(), s.data.begin() + 3072);
    EXPECT_EQ(ReadFile(out), Expected(s, expectedData));

    // And our own reader takes it back.
    WavReader back;
    back.SetFileName(out.c_str());
    back.Open();
    back.ReadHeader(4096);
    EXPECT_EQ(back.GetErrorFlag(), 0) << back.GetErrorText();
    EXPECT_EQ(back.GetTotalFrames(), 768u);
}

TEST_F(WavWriterTest, AStaleTemporaryFileIsTruncatedAndAnEmptyRunIsValid)
{
    WriteFile(out, Ramp(200000));
    Spec s;
    s.data = Ramp(0);
    OpenInput(s);
    Begin();
    writer.Finish();
    EXPECT_EQ(writer.GetErrorFlag(), 0) << writer.GetErrorText();
    EXPECT_EQ(ReadFile(out), Expected(s, Bytes{}));
}

TEST_F(WavWriterTest, FailuresCarryTheDesignedMessages)
{
    Spec s;
    s.data = Ramp(8);
    OpenInput(s);
    const std::string bad = dir.File("no-such-dir/out.wav");
    writer.SetFileName(bad.c_str());
    writer.Create();
    EXPECT_EQ(writer.GetErrorFlag(), 1);
    EXPECT_EQ(writer.GetErrorText(),
              "Cannot create output file " + bad + ".\nProbably in use by another program!\n");
    writer.BeginData(reader.GetRiffChunk(), reader.GetFormatChunk(), reader.GetDataChunk(),
                     reader.GetFormat(), 4096);
    EXPECT_EQ(writer.GetErrorFlag(), 1);
    EXPECT_EQ(writer.GetErrorText(), "Cannot write to " + bad + ".\n");
    EXPECT_EQ(writer.WriteBlock("abcd", 4), 0);
    writer.Finish();
    EXPECT_EQ(writer.GetErrorFlag(), 1);
}

TEST_F(WavWriterTest, AMissingFormatCopyIsNeverUsedAndItsMessageStays)
{
    Spec s;
    s.data = Ramp(8);
    OpenInput(s);
    writer.SetFileName(out.c_str());
    writer.Create();
    writer.BeginData(reader.GetRiffChunk(), reader.GetFormatChunk(), reader.GetDataChunk(), nullptr, 4096);
    EXPECT_EQ(writer.GetErrorFlag(), 1);
    writer.Finish();

    writer.Create();
    FailAllocationForTesting(1);  // the format copy is BeginData's first allocation
    writer.BeginData(reader.GetRiffChunk(), reader.GetFormatChunk(), reader.GetDataChunk(),
                     reader.GetFormat(), 4096);
    FailAllocationForTesting(0);
    EXPECT_EQ(writer.GetErrorFlag(), 1);
    EXPECT_STREQ(writer.GetErrorText(), "Out of memory.\nClose some applications and try again.\n");
    writer.Finish();
}

TEST(WavFileNames, ANameBeyondThePathLimitIsRefusedNotTruncated)
{
    const std::string longName = "/tmp/" + std::string(WavFile::PathLength, 'x') + ".wav";
    WavReader reader;
    reader.SetFileName(longName.c_str());
    EXPECT_EQ(reader.GetErrorFlag(), 1);
    EXPECT_STREQ(reader.GetErrorText(), "The input file name is too long.\n");
    EXPECT_STREQ(reader.GetFileName(), "");
    EXPECT_EQ(reader.GetErrorFlag(), 0) << "GetFileName clears the flag";
    reader.Open();
    EXPECT_EQ(reader.GetErrorFlag(), 1) << "an empty name opens nothing";

    WavWriter writer;
    writer.SetFileName(longName.c_str());
    EXPECT_EQ(writer.GetErrorFlag(), 1);
    EXPECT_STREQ(writer.GetErrorText(), "The output file name is too long.\n");
    writer.Create();
    EXPECT_EQ(writer.GetErrorFlag(), 1) << "nothing is created under a cut name";

    // A message holds the whole of the longest name.
    const std::string missing = "/nonexistent/" + std::string(WavFile::PathLength - 20, 'z');
    reader.SetFileName(missing.c_str());
    reader.Open();
    EXPECT_EQ(reader.GetErrorText(), "Cannot find or open input file " + missing + ".\n");

    const std::string fits = "/tmp/" + std::string(WavFile::PathLength - 6, 'y');
    writer.SetFileName(fits.c_str());
    EXPECT_EQ(writer.GetErrorFlag(), 0);
    EXPECT_EQ(writer.GetFileName(), fits);
}
