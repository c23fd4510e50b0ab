#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "MainDlgTestSupport.h"
#include "platform/registry/Registry.h"
#include "program/ui/CPresetArchive.h"

using namespace maindlgtest;

namespace {

constexpr const char* Key = "Software\\Quorel\\Calyrix\\Version 1.0";
constexpr UINT Question = MB_YESNO | MB_ICONQUESTION;

std::string ReadValue(const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, Key, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    char value[1024] = {};
    DWORD size = sizeof value, type = 0;
    const LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return "<missing>";
    return type == REG_DWORD ? std::to_string(*reinterpret_cast<int*>(value)) : std::string(value);
}

class Presets : public MainDlgTestBase {
protected:
    std::string DataFile(const char* name) const { return dir.path + "/data/calyrix/" + name; }

    void WritePresets(const std::vector<CPresets>& presets)
    {
        CPresetArchive::List list;
        for (const CPresets& p : presets) list.push_back(std::make_unique<CPresets>(p));
        WriteRaw(CPresetArchive::Write(list));
    }
    void WriteRaw(const std::string& bytes)
    {
        std::filesystem::create_directories(dir.path + "/data/calyrix");
        std::ofstream(DataFile("Embrel.pre"), std::ios::binary) << bytes;
    }
    std::vector<std::string> StoredNames() const
    {
        std::ifstream in(DataFile("Embrel.pre"), std::ios::binary);
        const auto read = CPresetArchive::Read(std::string(std::istreambuf_iterator<char>(in), {}));
        std::vector<std::string> names;
        for (const auto& p : read.presets) names.push_back(p->name);
        return names;
    }
    std::vector<std::string> BoxItems() const
    {
        std::vector<std::string> items;
        for (int i = 0; i < dlg->Presets().GetCount(); ++i) items.push_back(dlg->Presets().GetItem(i));
        return items;
    }
    void Type(const std::string& name) { dlg->OnPresetText(name); }

    static constexpr SaturationSettings Defaults{-1000, 1, 999, 1000, -250, 1, 0, -1000, 1};
};

TEST_F(Presets, TheBoxShowsTheFileSortedAndSelectsTheStoredNameIgnoringCase)
{
    WritePresets({{"B", Defaults}, {"c", Defaults}, {"A", Defaults}});
    Open();
    EXPECT_EQ(BoxItems(), (std::vector<std::string>{"A", "B", "c"}));
    EXPECT_EQ(dlg->Presets().GetCurSel(), -1);  // "(Defaults)" is only a name
    EXPECT_EQ(dlg->Presets().GetText(), "");

    dlg->OnPresetSelected(2);
    EXPECT_EQ(dlg->GetPresetName(), "c");
    dlg->OnOK();
    EXPECT_EQ(StoredNames(), (std::vector<std::string>{"B", "c", "A"}));
    EXPECT_EQ(ReadValue("CurPresetName"), "c");
    EXPECT_TRUE(messageBox.shown.empty());

    Open();
    EXPECT_EQ(dlg->Presets().GetCurSel(), 2);
    EXPECT_EQ(dlg->Presets().GetText(), "c");
}

TEST_F(Presets, ApplyingShowsTheEngineReadingAndReportsOutOfRangeValuesOnce)
{
    CPresets edited("Edited", Defaults);
    edited.gain = -1176;  // reads back as -1175
    edited.mix = 7000;
    edited.tube = 5;
    edited.dither = 0;
    WritePresets({edited});
    Open();
    dlg->OnPresetSelected(0);
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].caption, "ERROR");
    EXPECT_EQ(messageBox.shown[0].text, "Mix is out of range.\n");
    EXPECT_EQ(messageBox.shown[0].type, UINT(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(dlg->Slider(IDC_GAIN).pos, -1175);
    EXPECT_EQ(dlg->Slider(IDC_MIX).pos, dlg->Engine().GetMix());
    EXPECT_EQ(dlg->Control(IDC_TUBE).check, 1);
    EXPECT_EQ(dlg->Control(IDC_DITHER).check, 0);
    EXPECT_EQ(dlg->Control(IDC_GAIN_TEXT).text, dlg->Engine().GetGainText());
    dlg->OnOK();
    EXPECT_EQ(ReadValue("GainSlider"), "-1176");  // the window's field, not the control
    EXPECT_EQ(ReadValue("MixSlider"), "7000");
}

TEST_F(Presets, AddingAnExistingNameAsksBeforeOverwritingAndKeepsTheNewCase)
{
    Open();
    Type("Rock");
    dlg->OnCommand(IDC_ADD_PRESET);
    EXPECT_EQ(dlg->GetFocusId(), IDC_DEFAULT);
    Type("rock");
    dlg->OnCommand(IDC_ADD_PRESET);  // answered No
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].caption, "Preset Warning");
    EXPECT_EQ(messageBox.shown[0].text, "The preset, rock, exists.\nAre you sure you want to over-write this preset?\n\n"
                                        "If you want to add a new preset:\n1. Type a new name in the edit box.\n"
                                        "2. Click on the plus button.\n");
    EXPECT_EQ(messageBox.shown[0].type, Question);
    EXPECT_EQ(BoxItems(), std::vector<std::string>{"Rock"});
    EXPECT_EQ(dlg->GetFocusId(), IDC_PRESET);

    messageBox.answers = {IDYES};
    dlg->OnScroll(IDC_KNEE, 1234);
    dlg->OnCommand(IDC_ADD_PRESET);
    EXPECT_EQ(BoxItems(), std::vector<std::string>{"rock"});
    EXPECT_EQ(dlg->Presets().GetCurSel(), 0);
    EXPECT_EQ(dlg->GetPresetName(), "rock");
    dlg->OnOK();
    EXPECT_EQ(StoredNames(), std::vector<std::string>{"rock"});
    Open();
    dlg->OnPresetSelected(0);
    EXPECT_EQ(dlg->Slider(IDC_KNEE).pos, 1234);
}

TEST_F(Presets, DeletingTheOnlyPresetLeavesAnEmptyBoxAndName)
{
    WritePresets({{"Solo", Defaults}});
    Open();
    dlg->OnPresetSelected(0);
    dlg->OnCommand(IDC_DELETE_PRESET);  // answered No
    EXPECT_EQ(messageBox.shown.back().text, "Are you sure you want to delete the preset, Solo?\n");
    EXPECT_EQ(messageBox.shown.back().type, Question);
    EXPECT_EQ(BoxItems(), std::vector<std::string>{"Solo"});

    messageBox.answers = {IDYES};
    dlg->OnCommand(IDC_DELETE_PRESET);
    EXPECT_TRUE(BoxItems().empty());
    EXPECT_EQ(dlg->Presets().GetText(), "");
    EXPECT_EQ(dlg->GetPresetName(), "");
    EXPECT_EQ(dlg->GetFocusId(), IDC_DEFAULT);
    dlg->OnOK();
    EXPECT_TRUE(StoredNames().empty());
    EXPECT_EQ(ReadValue("CurPresetName"), "");
}

TEST_F(Presets, EmptyNamesAndMissingSelectionsAreExplained)
{
    WritePresets({{"Keep", Defaults}, {"Other", Defaults}});
    Open();
    dlg->OnCommand(IDC_ADD_PRESET);
    dlg->OnCommand(IDC_DELETE_PRESET);
    ASSERT_EQ(messageBox.shown.size(), 2u);
    EXPECT_EQ(messageBox.shown[0].caption, "Preset Error");
    EXPECT_EQ(messageBox.shown[0].text, "You need to enter a name for the preset.");
    EXPECT_EQ(messageBox.shown[0].type, UINT(MB_OK));
    EXPECT_EQ(messageBox.shown[1].caption, "Preset Warning");
    EXPECT_EQ(messageBox.shown[1].text, "No preset is selected");
    EXPECT_EQ(dlg->GetFocusId(), IDC_PRESET);

    Type("Typed only");  // delete throws the typed name away
    dlg->OnCommand(IDC_DELETE_PRESET);
    EXPECT_EQ(messageBox.shown.size(), 2u);
    EXPECT_EQ(dlg->Presets().GetText(), "");

    // Deleting selects the first remaining item without applying it.
    dlg->OnPresetSelected(1);
    dlg->OnScroll(IDC_GAIN, -300);
    messageBox.answers = {IDYES};
    dlg->OnCommand(IDC_DELETE_PRESET);
    EXPECT_EQ(dlg->Presets().GetText(), "Keep");
    EXPECT_EQ(dlg->GetPresetName(), "Keep");
    EXPECT_EQ(dlg->Slider(IDC_GAIN).pos, -300);
}

TEST_F(Presets, LeavingTheBoxAfterTypingOffersToAdd)
{
    Open();
    Type("Fresh");
    dlg->OnPresetKillFocus(IDC_ADD_PRESET);
    dlg->OnPresetKillFocus(IDC_DELETE_PRESET);
    EXPECT_TRUE(messageBox.shown.empty());
    dlg->OnPresetKillFocus(IDC_GAIN);  // answered No: nothing added, the text stays
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].caption, "Preset Warning");
    EXPECT_EQ(messageBox.shown[0].text,
              "You have changed the current preset name.\nDo you want to add the new preset, Fresh?\n");
    EXPECT_EQ(messageBox.shown[0].type, Question);
    EXPECT_TRUE(BoxItems().empty());
    EXPECT_EQ(dlg->Presets().GetText(), "Fresh");

    messageBox.answers = {IDYES};
    dlg->OnPresetKillFocus(IDC_START);
    EXPECT_EQ(BoxItems(), std::vector<std::string>{"Fresh"});
    EXPECT_EQ(dlg->Presets().GetCurSel(), 0);
    dlg->OnPresetKillFocus(IDC_START);  // a selected item is no new name
    EXPECT_EQ(messageBox.shown.size(), 2u);
}

TEST_F(Presets, EnterAddsTheTypedNameOnlyFromTheBox)
{
    Open();
    Type("Warm");
    dlg->OnEnterKey(IDC_DEFAULT, "Default");
    dlg->OnEnterKey(IDC_INPUT_FILE, "Warm");
    dlg->OnEnterKey(IDC_OUTPUT_FILE, "Warm");
    EXPECT_TRUE(BoxItems().empty());
    dlg->OnEnterKey(IDC_PRESET, "Warm");
    EXPECT_EQ(BoxItems(), std::vector<std::string>{"Warm"});
    EXPECT_TRUE(messageBox.shown.empty());
    dlg->OnEnterKey(IDC_PRESET, "Warm");  // the same name again: overwrite?
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].text.rfind("The preset, Warm, exists.\n", 0), 0u);
}

TEST_F(Presets, ADamagedFileIsReportedOnceAndKeptUnlessThePresetsChange)
{
    CPresetArchive::List list;
    list.push_back(std::make_unique<CPresets>("First", Defaults));
    list.push_back(std::make_unique<CPresets>("Second", Defaults));
    const std::string damaged = CPresetArchive::Write(list).substr(0, 70);
    WriteRaw(damaged);
    Open();
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].caption, "Preset Warning");
    EXPECT_EQ(messageBox.shown[0].type, UINT(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_NE(messageBox.shown[0].text.find("is damaged: it ends inside preset 2 of 2"), std::string::npos);
    EXPECT_EQ(BoxItems(), std::vector<std::string>{"First"});
    dlg->OnOK();
    EXPECT_EQ(messageBox.shown.size(), 1u);
    std::ifstream in(DataFile("Embrel.pre"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), damaged);
}

TEST_F(Presets, ASaveThatFailsAtTheEndIsOfferedAgain)
{
    WritePresets({{"Old", Defaults}});
    Open();
    Type("New");
    dlg->OnCommand(IDC_ADD_PRESET);
    std::filesystem::create_directories(DataFile("Temp.pre") + "/blocked");
    messageBox.answers = {IDYES};
    messageBox.onShow = [this](const Shown&) { std::filesystem::remove_all(DataFile("Temp.pre")); };
    dlg->OnOK();
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].caption, "ERROR");
    EXPECT_EQ(messageBox.shown[0].type, UINT(MB_YESNO | MB_ICONSTOP));
    EXPECT_NE(messageBox.shown[0].text.find("The presets cannot be saved in"), std::string::npos);
    EXPECT_EQ(StoredNames(), (std::vector<std::string>{"Old", "New"}));
}

} // namespace
