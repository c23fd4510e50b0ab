#include <gtest/gtest.h>

#include <climits>

#include "program/ui/AnsiText.h"
#include "program/ui/CPresetArchive.h"

namespace {

constexpr SaturationSettings kDefaults{-1000, 1, 999, 1000, -250, 1, 0, -1000, 1};

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

CPresetArchive::List MakeList(std::initializer_list<const char*> names)
{
    CPresetArchive::List list;
    int n = 0;
    for (const char* name : names) {
        SaturationSettings values = kDefaults;
        values.mix = 100 * ++n;
        list.push_back(std::make_unique<CPresets>(name, values));
    }
    return list;
}

std::vector<std::string> Names(const CPresetArchive::List& list)
{
    std::vector<std::string> names;
    for (const auto& p : list) names.push_back(p->name);
    return names;
}

TEST(PresetArchive, OnePresetIsTheSixtyFourByteRecordAndReadsBack)
{
    CPresetArchive::List list;
    list.push_back(std::make_unique<CPresets>("Soft", kDefaults));
    const std::string expected = Bytes({
        0x01, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x08, 0x00, 0x43, 0x50, 0x72, 0x65, 0x73, 0x65, 0x74, 0x73,
        0x04, 0x53, 0x6F, 0x66, 0x74, 0x06, 0x2D, 0x31, 0x30, 0x30, 0x30, 0x20, 0x02, 0x31, 0x20, 0x04,
        0x39, 0x39, 0x39, 0x20, 0x05, 0x31, 0x30, 0x30, 0x30, 0x20, 0x05, 0x2D, 0x32, 0x35, 0x30, 0x20,
        0x02, 0x31, 0x20, 0x02, 0x30, 0x20, 0x06, 0x2D, 0x31, 0x30, 0x30, 0x30, 0x20, 0x02, 0x31, 0x20});
    EXPECT_EQ(CPresetArchive::Write(list), expected);

    const auto read = CPresetArchive::Read(expected);
    ASSERT_FALSE(read.damaged) << read.problem;
    ASSERT_EQ(read.presets.size(), 1u);
    EXPECT_EQ(read.presets[0]->name, "Soft");
    EXPECT_EQ(read.presets[0]->GetSettings(), kDefaults);
}

TEST(PresetArchive, LaterPresetsUseTheClassTagAndKeepFileOrder)
{
    const std::string bytes = CPresetArchive::Write(MakeList({"B", "C", "A"}));
    // Count, the new-class record of the first, then 0x8001 before each later preset.
    EXPECT_EQ(bytes.substr(0, 16), Bytes({3, 0, 0xFF, 0xFF, 1, 0, 8, 0}) + "CPresets");
    const std::size_t second = CPresetArchive::Write(MakeList({"B"})).size();
    const std::size_t third = CPresetArchive::Write(MakeList({"B", "C"})).size();
    EXPECT_EQ(bytes.substr(second, 4), Bytes({0x01, 0x80, 0x01, 'C'}));
    EXPECT_EQ(bytes.substr(third, 4), Bytes({0x01, 0x80, 0x01, 'A'}));

    const auto read = CPresetArchive::Read(bytes);
    ASSERT_FALSE(read.damaged) << read.problem;
    EXPECT_EQ(Names(read.presets), (std::vector<std::string>{"B", "C", "A"}));
    EXPECT_EQ(read.presets[2]->mix, 300);
}

TEST(PresetArchive, LengthPrefixesGrowAtTheirBoundaries)
{
    const auto prefix = [](std::size_t length) {
        std::string out;
        CPresetArchive::AppendString(out, std::string(length, 'x'));
        return out.substr(0, out.size() - length);
    };
    EXPECT_EQ(prefix(0), Bytes({0x00}));
    EXPECT_EQ(prefix(254), Bytes({0xFE}));
    EXPECT_EQ(prefix(255), Bytes({0xFF, 0xFF, 0x00}));
    EXPECT_EQ(prefix(300), Bytes({0xFF, 0x2C, 0x01}));
    EXPECT_EQ(prefix(65533), Bytes({0xFF, 0xFD, 0xFF}));
    EXPECT_EQ(prefix(65534), Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));

    for (std::size_t length : {300u, 65534u, 70000u}) {
        CPresetArchive::List list;
        list.push_back(std::make_unique<CPresets>(std::string(length, 'n'), kDefaults));
        const auto read = CPresetArchive::Read(CPresetArchive::Write(list));
        ASSERT_FALSE(read.damaged) << read.problem;
        EXPECT_EQ(read.presets[0]->name, std::string(length, 'n'));
        EXPECT_EQ(read.presets[0]->GetSettings(), kDefaults);
    }
}

TEST(PresetArchive, CountsFrom65535OnTakeThirtyTwoBits)
{
    for (std::size_t count : {65534u, 65535u, 65536u}) {
        CPresetArchive::List list;
        for (std::size_t i = 0; i < count; ++i)
            list.push_back(std::make_unique<CPresets>(std::to_string(i), kDefaults));
        const std::string bytes = CPresetArchive::Write(list);
        if (count < 65535) {
            EXPECT_EQ(bytes.substr(0, 4), Bytes({0xFE, 0xFF, 0xFF, 0xFF}));
        } else {
            EXPECT_EQ(bytes.substr(0, 2), Bytes({0xFF, 0xFF}));
            EXPECT_EQ(bytes.substr(2, 4), Bytes({int(count & 0xFF), int((count >> 8) & 0xFF), int(count >> 16), 0}));
        }
        const auto read = CPresetArchive::Read(bytes);
        ASSERT_FALSE(read.damaged) << read.problem;
        ASSERT_EQ(read.presets.size(), count);
        EXPECT_EQ(read.presets.back()->name, std::to_string(count - 1));
    }
}

TEST(PresetArchive, NumbersAreReadWithAtoiRules)
{
    const std::pair<const char*, int> cases[] = {
        {"-1000 ", -1000}, {"  \t+42 ", 42}, {"7000", 7000}, {"12abc", 12}, {"abc", 0}, {"", 0},
        {"- 5", 0},        {"--5", 0},       {"0x10", 0},    {"99999999999", INT_MAX},
        {"-2147483648 ", INT_MIN}, {"-99999999999", INT_MIN}, {"2147483647", INT_MAX},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(CPresetArchive::ParseNumber(text), value) << '"' << text << '"';
}

// A file's bytes for presets "One", "Two", "Three", and where each preset ends.
struct ThreePresets {
    std::string bytes = CPresetArchive::Write(MakeList({"One", "Two", "Three"}));
    std::vector<std::size_t> ends{CPresetArchive::Write(MakeList({"One"})).size(),
                                  CPresetArchive::Write(MakeList({"One", "Two"})).size(), bytes.size()};
};

TEST(PresetArchive, ACutFileKeepsEveryPresetBeforeTheCut)
{
    const ThreePresets file;
    for (std::size_t length = 0; length < file.bytes.size(); ++length) {
        const auto read = CPresetArchive::Read(std::string_view(file.bytes).substr(0, length));
        ASSERT_TRUE(read.damaged) << length;
        std::size_t complete = 0;
        while (complete < 3 && file.ends[complete] <= length) ++complete;
        ASSERT_EQ(read.presets.size(), complete) << length;
        for (std::size_t i = 0; i < complete; ++i)
            EXPECT_EQ(read.presets[i]->mix, 100 * int(i + 1));
    }
    EXPECT_EQ(CPresetArchive::Read("").problem, "it is empty");
    EXPECT_EQ(CPresetArchive::Read(file.bytes.substr(0, 40)).problem, "it ends inside preset 1 of 3");
}

TEST(PresetArchive, WrongTagsCountsAndLengthsAreDamage)
{
    const ThreePresets file;
    const auto damaged = [](std::string bytes, std::size_t kept, const char* problem) {
        const auto read = CPresetArchive::Read(bytes);
        EXPECT_TRUE(read.damaged);
        EXPECT_EQ(read.presets.size(), kept) << problem;
        EXPECT_NE(read.problem.find(problem), std::string::npos) << read.problem;
    };
    std::string bytes = file.bytes;
    bytes[2] = 0x01, bytes[3] = char(0x80);  // a class reference before any class
    damaged(bytes, 0, "preset 1 has the tag 0x8001 at byte 2 instead of 0xFFFF");
    bytes = file.bytes;
    bytes[file.ends[0]] = char(0xFF);  // a second new-class tag
    damaged(bytes, 1, "preset 2 has the tag 0x80FF");
    bytes = file.bytes;
    bytes[15] = 'X';  // class name "CPresetX"
    damaged(bytes, 0, "class record at byte 2 is not that of version 1 presets");
    bytes = file.bytes;
    bytes[4] = 2;  // schema 2
    damaged(bytes, 0, "not that of version 1 presets");
    // The second preset's name claims 0xFFFFFFF0 bytes: nothing is allocated for it.
    bytes = file.bytes;
    bytes.replace(file.ends[0] + 2, 4, Bytes({0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF}) + "Two");
    damaged(bytes, 1, "it ends inside preset 2 of 3");
    // A count of four billion in front of three presets.
    bytes = Bytes({0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF}) + file.bytes.substr(2);
    damaged(bytes, 3, "it ends inside preset 4 of 4294967040");
    damaged(file.bytes + "xyz", 3, "3 bytes follow its last preset");
    bytes = file.bytes;
    bytes.replace(file.ends[1] + 2, 1, Bytes({0xFF, 0xFE, 0xFF}));
    damaged(bytes, 2, "preset 3 holds a wide-character string");
}

TEST(PresetArchive, NamesFromWindowsAreReadAsCp1252AndWrittenBackUnchanged)
{
    const std::string windowsName = Bytes({'C', 'a', 'f', 0xE9, ' ', 0x80, ' ', 0x93, 'x', 0x94, 0x81});
    CPresetArchive::List list;
    list.push_back(std::make_unique<CPresets>("tmp", kDefaults));
    std::string bytes = CPresetArchive::Write(list);
    bytes.replace(16, 4, char(windowsName.size()) + windowsName);

    auto read = CPresetArchive::Read(bytes);
    ASSERT_FALSE(read.damaged) << read.problem;
    EXPECT_EQ(read.presets[0]->name, "Caf\u00e9 \u20ac \u201cx\u201d\u0081");
    EXPECT_EQ(CPresetArchive::Write(read.presets), bytes);

    read.presets.push_back(std::make_unique<CPresets>("Ni\u00f1o", kDefaults));  // typed here: UTF-8
    const auto again = CPresetArchive::Read(CPresetArchive::Write(read.presets));
    EXPECT_EQ(again.presets[1]->name, "Ni\u00f1o");
    EXPECT_EQ(again.presets[1]->storedName, "");
    read.presets[0]->name = "Renamed";  // a new name is written as it is now
    EXPECT_EQ(CPresetArchive::Read(CPresetArchive::Write(read.presets)).presets[0]->name, "Renamed");
}

TEST(PresetArchive, OnlyWellFormedUtf8IsTakenAsIs)
{
    EXPECT_TRUE(IsUtf8("plain \u00e9\u20ac\U0001F3B8"));
    for (const std::string& bad : {Bytes({0xC0, 0x80}), Bytes({0xE0, 0x80, 0x80}), Bytes({0xED, 0xA0, 0x80}),
                                   Bytes({0xF4, 0x90, 0x80, 0x80}), Bytes({0xE2, 0x82}), Bytes({0x80}),
                                   Bytes({0xF8, 0x88, 0x80, 0x80, 0x80})}) {
        EXPECT_FALSE(IsUtf8(bad));
        EXPECT_TRUE(IsUtf8(NameFromFile(bad)));
    }
    EXPECT_EQ(NameFromFile(Bytes({0xC0, 0x80})), "\u00c0\u20ac");
}

} // namespace
