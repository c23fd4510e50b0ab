// The input as a presets file: read, it yields at most the presets its bytes can hold,
// and what is read is written back to a file that reads again intact, with the same names
// and values. Loaded from a directory, a damaged file is left as it is when the list is
// unchanged, and kept under its backup name when a changed list replaces it.

#include <filesystem>

#include "program/ui/CPresetList.h"
#include "tests/fuzz/FuzzInputFile.h"

namespace {

constexpr std::size_t kSmallestPreset = 2 + 10;  // a class tag and ten empty strings

void CheckSameList(const CPresetArchive::List& a, const CPresetArchive::List& b)
{
    FUZZ_CHECK(a.size() == b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        FUZZ_CHECK(a[i]->name == b[i]->name);
        FUZZ_CHECK(a[i]->GetSettings() == b[i]->GetSettings());
    }
}

void CheckDirectory(const std::string& input)
{
    static const std::string directory = [] {
        const std::string path = FuzzInputPath("presets") + ".d";
        std::filesystem::create_directories(path);
        std::atexit([] { std::filesystem::remove_all(FuzzInputPath("presets") + ".d"); });
        return path;
    }();
    for (const char* name : {"/Embrel.pre", "/Embrel.pre.bak", "/Temp.pre"})
        std::filesystem::remove(directory + name);
    WriteFuzzInput(directory + "/Embrel.pre", reinterpret_cast<const std::uint8_t*>(input.data()), input.size());

    CPresetList list;
    list.Load(directory);
    FUZZ_CHECK(list.IsDamaged() == (list.GetErrorFlag() == 1));
    list.Save();
    FUZZ_CHECK(list.GetErrorFlag() == 0);
    const bool damaged = list.IsDamaged();
    FUZZ_CHECK(ReadFuzzFile(directory + "/Embrel.pre") == input || !damaged);
    list.Add("added", SaturationSettings{});
    list.Save();
    FUZZ_CHECK(list.GetErrorFlag() == 0);
    FUZZ_CHECK(!damaged || ReadFuzzFile(directory + "/Embrel.pre.bak") == input);
    CPresetList again;
    again.Load(directory);
    FUZZ_CHECK(again.GetErrorFlag() == 0 && again.GetCount() == list.GetCount());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const CPresetArchive::ReadResult read = CPresetArchive::Read(input);
    FUZZ_CHECK(read.damaged == !read.problem.empty());
    FUZZ_CHECK(read.presets.size() <= size / kSmallestPreset);

    const std::string written = CPresetArchive::Write(read.presets);
    const CPresetArchive::ReadResult again = CPresetArchive::Read(written);
    FUZZ_CHECK(!again.damaged);
    CheckSameList(read.presets, again.presets);
    FUZZ_CHECK(CPresetArchive::Write(again.presets) == written);
    CheckDirectory(input);
    return 0;
}
