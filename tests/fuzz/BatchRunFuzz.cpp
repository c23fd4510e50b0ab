// A WAV file made of the input, embreled by embrel-batch's offline run into an OUTPUT that
// already exists. The run either succeeds or fails and leaves OUTPUT as it was; the input is
// never changed and the temporary file never left behind. A success on a file the WAV
// reader takes gives a WAV of the input's format holding as many data bytes as the input's
// data chunk; on a file only libsndfile reads (RF64, extensible, float...), a file of the
// input's channels and rate with no more frames than libsndfile finds in the input.

#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>
#include <sndfile.h>
#include <string>

#include "program/audio/WavReader.h"
#include "tests/fuzz/FuzzInputFile.h"
#include "tools/embrel-batch/EmbrelBatch.h"

namespace {

struct Header {
    WORD channels, bits;
    DWORD rate;
    MMCKINFO data;
};

bool ReadHeader(const std::string& path, Header* header)
{
    WavReader reader;
    reader.SetFileName(path.c_str());
    reader.Open();
    reader.ReadHeader(16384);
    if (reader.GetErrorFlag())
        return false;
    *header = {reader.GetChannels(), reader.GetBitsPerSample(), reader.GetSampleRate(), reader.GetDataChunk()};
    return true;
}

bool ReadSoundFileInfo(const std::string& path, SF_INFO* info)
{
    *info = SF_INFO{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, info);
    if (file == nullptr)
        return false;
    sf_close(file);
    return true;
}

// Whether a temporary file of a run is left in directory.
bool TemporaryFileLeft(const std::string& directory)
{
    DIR* d = opendir(directory.c_str());
    FUZZ_CHECK(d != nullptr);
    bool found = false;
    while (const dirent* e = readdir(d))
        found = found || std::string(e->d_name).rfind(".~Embrel~", 0) == 0;
    closedir(d);
    return found;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& input = FuzzInputPath("batch");
    // OUTPUT in a directory of its own, where a temporary file left behind shows.
    static const std::string outputDir = input + "-out";
    static const std::string output = outputDir + "/out.wav";
    static const bool once = [] {
        FUZZ_CHECK(mkdir(outputDir.c_str(), 0700) == 0);
        std::atexit([] {
            unlink(output.c_str());
            rmdir(outputDir.c_str());
        });
        return true;
    }();
    (void)once;
    static std::FILE* devNull = std::fopen("/dev/null", "w");
    FUZZ_CHECK(devNull != nullptr);

    WriteFuzzInput(input, data, size);
    static const std::uint8_t previous[] = "an earlier result";
    WriteFuzzInput(output, previous, sizeof previous);

    char program[] = "embrel-batch", quiet[] = "-q";
    char* argv[] = {program, quiet, const_cast<char*>(input.c_str()), const_cast<char*>(output.c_str())};
    BatchOptions options;
    FUZZ_CHECK(options.Parse(4, argv) == BatchOptions::Action::Run);
    const int status = EmbrelBatch(options, devNull, devNull).Run();

    FUZZ_CHECK(ReadFuzzFile(input) == std::string(reinterpret_cast<const char*>(data), size));
    FUZZ_CHECK(!TemporaryFileLeft(outputDir));
    if (status != 0) {
        FUZZ_CHECK(status == 1);
        FUZZ_CHECK(ReadFuzzFile(output) == std::string(reinterpret_cast<const char*>(previous), sizeof previous));
        return 0;
    }
    Header in{}, out{};
    if (!ReadHeader(input, &in)) {
        SF_INFO from{}, to{};
        FUZZ_CHECK(ReadSoundFileInfo(input, &from));
        FUZZ_CHECK(ReadSoundFileInfo(output, &to));
        FUZZ_CHECK(to.channels == from.channels && to.samplerate == from.samplerate && to.frames <= from.frames);
        return 0;
    }
    FUZZ_CHECK(ReadHeader(output, &out));
    FUZZ_CHECK(out.channels == in.channels && out.bits == in.bits && out.rate == in.rate);
    // Writers streaming to a pipe leave a placeholder size: such data ends with the file.
    const bool placeholder = in.data.cksize == 0xFFFFFFFFu || in.data.cksize == 0x7FFFF000u;
    const std::size_t held = size > in.data.dwDataOffset ? size - in.data.dwDataOffset : 0;
    FUZZ_CHECK(placeholder || in.data.cksize <= held);
    FUZZ_CHECK(out.data.cksize == (placeholder ? held : in.data.cksize));
    struct stat st;
    FUZZ_CHECK(stat(output.c_str(), &st) == 0 &&
               std::size_t(st.st_size) == out.data.dwDataOffset + out.data.cksize + (out.data.cksize & 1));
    return 0;
}
