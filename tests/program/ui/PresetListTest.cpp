#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "program/ui/CPresetList.h"

namespace fs = std::filesystem;

namespace {

constexpr SaturationSettings kDefaults{-1000, 1, 999, 1000, -250, 1, 0, -1000, 1};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string FileOf(std::initializer_list<const char*> names)
{
    CPresetArchive::List list;
    for (const char* name : names) list.push_back(std::make_unique<CPresets>(name, kDefaults));
    return CPresetArchive::Write(list);
}

std::vector<std::string> Names(const CPresetList& list)
{
    std::vector<std::string> names;
    for (std::size_t i = 0; i < list.GetCount(); ++i) names.push_back(list.Get(i).name);
    return names;
}

// A start directory and a home of its own for each test, with the environment pointing there.
class PresetList : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/calyrix-presets-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
        start = root / "start";
        fs::create_directories(start);
        Keep("HOME"), Keep("XDG_DATA_HOME");
        ::setenv("HOME", (root / "home").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        data = root / "data" / "calyrix";
    }

    void TearDown() override
    {
        for (const auto& [name, value] : saved)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add);
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    void Keep(const char* name)
    {
        const char* value = std::getenv(name);
        saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }

    void Load() { presets.Load(start.string()); }

    fs::path root, start, data;
    CPresetList presets;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

TEST_F(PresetList, FilesLiveInTheStartDirectoryOnlyWhenTheyAreThere)
{
    Load();
    EXPECT_EQ(presets.GetPresetsPath(), (data / "Embrel.pre").string());
    EXPECT_EQ(presets.GetTempPath(), (data / "Temp.pre").string());
    EXPECT_FALSE(fs::exists(data));  // created when saved
    presets.Save();
    ASSERT_EQ(presets.GetErrorFlag(), 0) << presets.GetErrorText();
    EXPECT_EQ(ReadFile(data / "Embrel.pre"), std::string(2, '\0'));
    EXPECT_EQ(fs::status(data).permissions() & fs::perms::all, fs::perms::owner_all);

    ::setenv("XDG_DATA_HOME", "relative/dir", 1);  // not absolute: ignored
    EXPECT_EQ(CPresetList::ChooseDirectory(start.string()), (root / "home/.local/share/calyrix").string());
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(CPresetList::ChooseDirectory(start.string()), (root / "home/.local/share/calyrix").string());

    for (const char* name : {"Temp.pre", "Embrel.pre"}) {
        WriteFile(start / name, FileOf({name}));
        Load();
        EXPECT_EQ(presets.GetPresetsPath(), (start / "Embrel.pre").string());
    }
}

TEST_F(PresetList, SavedPresetsReloadInFileOrder)
{
    Load();
    presets.Add("B", kDefaults);
    presets.Add("C", kDefaults)->mix = 7000;
    presets.Add("A", kDefaults);
    presets.Save();
    ASSERT_EQ(presets.GetErrorFlag(), 0) << presets.GetErrorText();
    EXPECT_FALSE(fs::exists(data / "Temp.pre"));

    CPresetList again;
    again.Load(start.string());
    EXPECT_EQ(again.GetErrorFlag(), 0);
    EXPECT_EQ(Names(again), (std::vector<std::string>{"B", "C", "A"}));
    EXPECT_EQ(again.Find("C")->mix, 7000);
    EXPECT_FALSE(again.IsChanged());
}

TEST_F(PresetList, LookupsAndRemovalMatchNamesExactly)
{
    Load();
    presets.Add("Rock", kDefaults);
    presets.Add("rock", kDefaults)->gain = -5;
    presets.Add("rock", kDefaults)->gain = -6;
    EXPECT_EQ(presets.Find("rock")->gain, -5);
    EXPECT_EQ(presets.Find("ROCK"), nullptr);
    EXPECT_FALSE(presets.Remove("ROCK"));
    EXPECT_TRUE(presets.Remove("Rock"));
    EXPECT_TRUE(presets.Remove("rock"));
    EXPECT_EQ(Names(presets), std::vector<std::string>{"rock"});
    EXPECT_EQ(presets.Get(0).gain, -6);

    // Removing the last preset is saved as an empty list.
    EXPECT_TRUE(presets.Remove("rock"));
    presets.Save();
    EXPECT_EQ(ReadFile(data / "Embrel.pre"), std::string(2, '\0'));
}

TEST_F(PresetList, ASaveCutShortIsCompletedOnLoad)
{
    // Only "Temp.pre": the old file was already gone.
    WriteFile(start / "Temp.pre", FileOf({"Saved"}));
    Load();
    EXPECT_EQ(Names(presets), std::vector<std::string>{"Saved"});
    EXPECT_FALSE(fs::exists(start / "Temp.pre"));
    EXPECT_EQ(ReadFile(start / "Embrel.pre"), FileOf({"Saved"}));

    // Both, with "Temp.pre" complete: it is the newer list.
    WriteFile(start / "Temp.pre", FileOf({"Newer"}));
    Load();
    EXPECT_EQ(Names(presets), std::vector<std::string>{"Newer"});
    EXPECT_FALSE(fs::exists(start / "Temp.pre"));

    // Both, with "Temp.pre" cut short: the write never finished, the old file holds.
    const std::string cut = FileOf({"Partial", "List"}).substr(0, 30);
    WriteFile(start / "Temp.pre", cut);
    Load();
    EXPECT_EQ(presets.GetErrorFlag(), 0);
    EXPECT_EQ(Names(presets), std::vector<std::string>{"Newer"});
    EXPECT_EQ(ReadFile(start / "Temp.pre"), cut);
    presets.Save();
    EXPECT_FALSE(fs::exists(start / "Temp.pre"));
    EXPECT_EQ(ReadFile(start / "Embrel.pre"), FileOf({"Newer"}));
}

TEST_F(PresetList, ADamagedFileIsReportedKeptAndBackedUpBeforeItIsReplaced)
{
    const std::string damaged = FileOf({"One", "Two", "Three"}).substr(0, 80);
    WriteFile(start / "Embrel.pre", damaged);
    Load();
    ASSERT_EQ(presets.GetErrorFlag(), 1);
    const std::string text = presets.GetErrorText();
    EXPECT_NE(text.find((start / "Embrel.pre").string() + ", is damaged: it ends inside preset 2 of 3"),
              std::string::npos) << text;
    EXPECT_NE(text.find("1 preset before the damage was loaded"), std::string::npos) << text;
    EXPECT_NE(text.find((start / "Embrel.pre.bak").string()), std::string::npos) << text;
    EXPECT_EQ(Names(presets), std::vector<std::string>{"One"});

    presets.Save();  // unchanged: the file stays as it is, and nothing more is reported
    EXPECT_EQ(presets.GetErrorFlag(), 0);
    EXPECT_EQ(ReadFile(start / "Embrel.pre"), damaged);

    presets.Add("Four", kDefaults);
    presets.Save();
    ASSERT_EQ(presets.GetErrorFlag(), 0) << presets.GetErrorText();
    EXPECT_EQ(ReadFile(start / "Embrel.pre.bak"), damaged);
    EXPECT_EQ(ReadFile(start / "Embrel.pre"), FileOf({"One", "Four"}));

    // A second damaged file never overwrites the first backup.
    WriteFile(start / "Embrel.pre", "x");
    Load();
    EXPECT_NE(std::string(presets.GetErrorText()).find("Embrel.pre.bak.2"), std::string::npos);
    presets.Add("Five", kDefaults);
    presets.Save();
    EXPECT_EQ(ReadFile(start / "Embrel.pre.bak"), damaged);
    EXPECT_EQ(ReadFile(start / "Embrel.pre.bak.2"), "x");
}

TEST_F(PresetList, AFileThatCannotBeReadIsNeverReplacedUnchanged)
{
    fs::create_directories(start / "Embrel.pre");
    Load();
    EXPECT_EQ(presets.GetErrorFlag(), 1);
    EXPECT_NE(std::string(presets.GetErrorText()).find("cannot be read: it is not a regular file"),
              std::string::npos) << presets.GetErrorText();
    presets.Save();
    EXPECT_EQ(presets.GetErrorFlag(), 0);
    EXPECT_TRUE(fs::is_directory(start / "Embrel.pre"));
}

TEST_F(PresetList, ASaveThatFailsLeavesTheFileAsItWas)
{
    const std::string original = FileOf({"Kept"});
    WriteFile(start / "Embrel.pre", original);
    Load();
    presets.Add("New", kDefaults);

    // "Temp.pre" cannot be replaced.
    fs::create_directories(start / "Temp.pre" / "inside");
    presets.Save();
    EXPECT_EQ(presets.GetErrorFlag(), 1);
    EXPECT_NE(std::string(presets.GetErrorText()).find("The presets cannot be saved in " + start.string()),
              std::string::npos) << presets.GetErrorText();
    EXPECT_EQ(ReadFile(start / "Embrel.pre"), original);
    fs::remove_all(start / "Temp.pre");

    // The disk takes no more than 10 bytes.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 10;
    ::setrlimit(RLIMIT_FSIZE, &small);
    presets.Save();
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(presets.GetErrorFlag(), 1);
    EXPECT_EQ(ReadFile(start / "Embrel.pre"), original);
    EXPECT_FALSE(fs::exists(start / "Temp.pre"));

    presets.Save();  // the list is still there to be saved once the disk has room
    EXPECT_EQ(presets.GetErrorFlag(), 0) << presets.GetErrorText();
    EXPECT_EQ(Names(presets), (std::vector<std::string>{"Kept", "New"}));
    EXPECT_EQ(ReadFile(start / "Embrel.pre"), FileOf({"Kept", "New"}));
}

TEST_F(PresetList, AReadOnlyDirectoryIsReported)
{
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
    WriteFile(start / "Embrel.pre", FileOf({"Kept"}));
    Load();
    presets.Add("New", kDefaults);
    fs::permissions(start, fs::perms::owner_read | fs::perms::owner_exec);
    presets.Save();
    fs::permissions(start, fs::perms::owner_all);
    EXPECT_EQ(presets.GetErrorFlag(), 1);
    EXPECT_NE(std::string(presets.GetErrorText()).find("Permission denied"), std::string::npos);
    EXPECT_EQ(ReadFile(start / "Embrel.pre"), FileOf({"Kept"}));
}

TEST_F(PresetList, SavingKeepsTheModeAndNeverWritesThroughALink)
{
    WriteFile(start / "Embrel.pre", FileOf({"Mine"}));
    fs::permissions(start / "Embrel.pre", fs::perms::owner_read | fs::perms::owner_write);
    WriteFile(root / "elsewhere", "untouched");
    fs::create_symlink(root / "elsewhere", start / "Temp.pre");  // planted by someone else
    Load();
    presets.Add("Yours", kDefaults);
    presets.Save();
    ASSERT_EQ(presets.GetErrorFlag(), 0) << presets.GetErrorText();
    EXPECT_EQ(ReadFile(root / "elsewhere"), "untouched");
    EXPECT_EQ(fs::status(start / "Embrel.pre").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadFile(start / "Embrel.pre"), FileOf({"Mine", "Yours"}));
}

// An Embrel.pre that is a link is read and saved where it leads; the link stays a link,
// the file it leads to keeps its mode, and a link to a missing file creates that file.
TEST_F(PresetList, ALinkedPresetsFileIsFollowed)
{
    fs::create_directories(root / "dotfiles");
    WriteFile(root / "dotfiles" / "presets", FileOf({"Mine"}));
    fs::permissions(root / "dotfiles" / "presets", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("../dotfiles/presets", start / "Embrel.pre");
    Load();
    ASSERT_EQ(presets.GetCount(), 1u);
    presets.Add("Yours", kDefaults);
    presets.Save();
    ASSERT_EQ(presets.GetErrorFlag(), 0) << presets.GetErrorText();
    EXPECT_TRUE(fs::is_symlink(start / "Embrel.pre"));
    EXPECT_EQ(ReadFile(root / "dotfiles" / "presets"), FileOf({"Mine", "Yours"}));
    EXPECT_EQ(fs::status(root / "dotfiles" / "presets").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(fs::exists(root / "dotfiles" / "Temp.pre"));

    fs::remove(start / "Embrel.pre");
    fs::create_symlink(root / "dotfiles" / "new", start / "Embrel.pre");
    Load();
    EXPECT_EQ(presets.GetCount(), 0u);
    presets.Add("First", kDefaults);
    presets.Save();
    ASSERT_EQ(presets.GetErrorFlag(), 0) << presets.GetErrorText();
    EXPECT_TRUE(fs::is_symlink(start / "Embrel.pre"));
    EXPECT_EQ(ReadFile(root / "dotfiles" / "new"), FileOf({"First"}));
}

} // namespace
