// A WAV file made of the input, read as the worker reads it: Open, ReadHeader, then blocks
// until one comes back short. The blocks must be the file's own bytes from the data
// chunk on, the loop must end, and only a chunk that claims more than the file holds may
// end in an error.

#include <algorithm>
#include <cstring>
#include <vector>

#include "program/audio/WavReader.h"
#include "tests/fuzz/FuzzInputFile.h"

namespace {

void ReadWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size, int bufferSize,
                   int blockSize)
{
    WavReader reader;
    reader.SetFileName(path.c_str());
    reader.Open();
    FUZZ_CHECK(!reader.GetErrorFlag());
    reader.ReadHeader(bufferSize);
    if (reader.GetErrorFlag()) {
        reader.Close();
        return;
    }
    const MMCKINFO chunk = reader.GetDataChunk();
    const std::size_t offset = chunk.dwDataOffset;
    const std::size_t held = offset < size ? size - offset : 0;
    const std::size_t expected = std::min<std::size_t>(chunk.cksize, held);

    std::vector<char> block(static_cast<std::size_t>(blockSize));
    std::size_t total = 0;
    int n = 0;
    do {
        n = reader.ReadBlock(block.data(), blockSize);
        FUZZ_CHECK(n >= 0 && n <= blockSize && total + std::size_t(n) <= expected);
        FUZZ_CHECK(std::memcmp(block.data(), data + offset + total, std::size_t(n)) == 0);
        total += std::size_t(n);
    } while (n == blockSize);
    FUZZ_CHECK(total == expected);
    FUZZ_CHECK(reader.GetErrorFlag() == (chunk.cksize > held ? 1 : 0));
    reader.Close();
    FUZZ_CHECK(!reader.GetErrorFlag());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = FuzzInputPath("wav-reader");
    WriteFuzzInput(path, data, size);
    // The program's mono block, then small sizes that cross the buffer's edges often.
    ReadWholeFile(path, data, size, 16384, 16384);
    ReadWholeFile(path, data, size, 7, 5);
    return 0;
}
