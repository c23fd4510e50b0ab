#include <gtest/gtest.h>

#include "MainDlgTestSupport.h"
#include "platform/registry/Registry.h"

using namespace maindlgtest;

namespace {

constexpr const char* Key = "Software\\Quorel\\Calyrix\\Version 1.0";

std::string ReadString(const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, Key, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    char value[1024] = {};
    DWORD size = sizeof value, type = 0;
    const LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? value : "<missing>";
}

int ReadInt(const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, Key, 0, KEY_READ, &key) != ERROR_SUCCESS) return -12345;
    DWORD value = 0, size = sizeof value, type = 0;
    const LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD ? int(value) : -12345;
}

void WriteString(const char* name, const std::string& value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
    RegCloseKey(key);
}

void WriteInt(const char* name, int value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    const DWORD v = DWORD(value);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    RegCloseKey(key);
}

using Settings = MainDlgTestBase;

TEST_F(Settings, FirstStartUsesTheDefaultsAndTheOkPathWritesAllKeys)
{
    CMainDlg& d = Open();
    SaturationEngine fresh;
    EXPECT_TRUE(messageBox.shown.empty());
    EXPECT_TRUE(d.Files(IDC_INPUT_FILE).items.empty());
    EXPECT_TRUE(d.Files(IDC_OUTPUT_FILE).items.empty());
    EXPECT_EQ(d.GetPresetName(), "(Defaults)");
    EXPECT_EQ(d.GetListenFlag(), 1);
    EXPECT_EQ(d.GetWriteFlag(), 1);
    EXPECT_EQ(d.GetToolTips(), 1);
    EXPECT_EQ(d.GetRealTimeWatch(), 1);
    EXPECT_EQ(d.Player().GetDeviceId(), 0);
    EXPECT_EQ(d.GetClipThreshold(), -1);
    EXPECT_EQ(d.Engine().GetGain(), fresh.GetGain());
    EXPECT_EQ(d.Engine().GetDynamics(), fresh.GetDynamics());
    EXPECT_EQ(d.Slider(IDC_MIX).pos, fresh.GetMix());
    EXPECT_EQ(d.GetTemporaryPath(), dir.path + "/~Embrel~.wav");
    EXPECT_EQ(host.placed, 0);

    host.placement = WindowPlacement{0, 1, 140, 90, 632, 353};
    d.OnOK();
    EXPECT_EQ(host.ended, IDOK);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, Key, 0, KEY_READ, &key), ERROR_SUCCESS);
    int strings = 0, numbers = 0;
    for (DWORD i = 0;; ++i) {
        char name[64];
        DWORD nameSize = sizeof name, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) break;
        (type == REG_SZ ? strings : numbers)++;
    }
    RegCloseKey(key);
    EXPECT_EQ(strings, 9);
    EXPECT_EQ(numbers, 20);
    EXPECT_EQ(ReadString("InFileNameCur"), "");
    EXPECT_EQ(ReadString("CurPresetName"), "(Defaults)");
    EXPECT_EQ(ReadInt("GainSlider"), fresh.GetGain());
    EXPECT_EQ(ReadInt("KneeSlider"), fresh.GetKnee());
    EXPECT_EQ(ReadInt("DeviceID"), 0);
    EXPECT_EQ(ReadInt("left"), 140);
    EXPECT_EQ(ReadInt("top"), 90);
}

TEST_F(Settings, FileListsSaveTheSelectedAndThreeNewestAndComeBackInOrder)
{
    std::vector<std::string> inputs;
    for (int i = 1; i <= 5; ++i) inputs.push_back(Input("in" + std::to_string(i) + ".wav", 10));
    CMainDlg& d = Open();
    for (const std::string& path : inputs) {
        fileDialog.answers = {path};
        d.OnCommand(IDC_BROWSE_INPUT);
    }
    d.OnFileBoxSelected(IDC_INPUT_FILE, 2);
    ASSERT_TRUE(messageBox.shown.empty());
    EXPECT_EQ(d.Files(IDC_INPUT_FILE).items[4].display, "in5.wav");
    d.OnOK();
    EXPECT_EQ(ReadString("InFileNameCur"), inputs[2]);
    EXPECT_EQ(ReadString("InFileName1"), inputs[4]);
    EXPECT_EQ(ReadString("InFileName2"), inputs[3]);
    EXPECT_EQ(ReadString("InFileName3"), inputs[1]);
    EXPECT_EQ(ReadString("OutFileNameCur"), "");

    dlg.reset();
    OutputDeviceList::Clear();
    CMainDlg& again = Open();
    const FileBox& box = again.Files(IDC_INPUT_FILE);
    ASSERT_EQ(box.items.size(), 4u);
    EXPECT_EQ(box.items[0].path, inputs[1]);
    EXPECT_EQ(box.items[1].path, inputs[3]);
    EXPECT_EQ(box.items[2].path, inputs[4]);
    EXPECT_EQ(box.items[3].path, inputs[2]);
    EXPECT_EQ(box.selected, 3);
    again.OnOK();
    EXPECT_EQ(ReadString("InFileNameCur"), inputs[2]);
    EXPECT_EQ(ReadString("InFileName1"), inputs[4]);
    EXPECT_EQ(ReadString("InFileName3"), inputs[1]);
}

TEST_F(Settings, AStaleInputCostsOneErrorAndIsDroppedWhileAStaleOutputStays)
{
    const std::string good = Input("good.wav", 10);
    WriteString("InFileName1", good);
    WriteString("InFileNameCur", dir.File("gone.wav"));
    WriteString("OutFileNameCur", dir.File("nowhere/out.wav"));
    CMainDlg& d = Open();
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].caption, "ERROR");
    EXPECT_EQ(messageBox.shown[0].type, MB_OK | MB_ICONSTOP);
    const FileBox& inputs = d.Files(IDC_INPUT_FILE);
    ASSERT_EQ(inputs.items.size(), 1u);
    EXPECT_EQ(inputs.selected, -1);
    EXPECT_EQ(d.Files(IDC_OUTPUT_FILE).items.size(), 1u);
    d.OnOK();
    // No selection: the current input is empty, the remaining one is still kept.
    EXPECT_EQ(ReadString("InFileNameCur"), "");
    EXPECT_EQ(ReadString("InFileName1"), good);
    EXPECT_EQ(ReadString("OutFileNameCur"), dir.File("nowhere/out.wav"));
}

TEST_F(Settings, PlacementIsClampedOnTheRightOnlyAndIgnoredWithoutFlags)
{
    WriteInt("flags", 0);
    WriteInt("showCmd", 2);
    WriteInt("left", 5000);
    WriteInt("top", -40);
    Open();
    EXPECT_EQ(host.placed, 1);
    EXPECT_EQ(host.placement.left, 1280 - 32);
    EXPECT_EQ(host.placement.top, -40);
    EXPECT_EQ(host.placement.showCmd, 5);
    dlg.reset();

    host.placed = 0;
    WriteInt("flags", -1);
    Open();
    EXPECT_EQ(host.placed, 0);
}

TEST_F(Settings, EscapeLeavesTheStoredSettingsAlone)
{
    WriteInt("GainSlider", -1500);
    WriteInt("ToolTips", 0);
    CMainDlg& d = Open();
    EXPECT_EQ(d.Engine().GetGain(), -1500);
    EXPECT_EQ(d.Slider(IDC_GAIN).pos, -1500);
    d.OnScroll(IDC_GAIN, -200);
    d.OnCommand(ID_TOOL_TIPS);
    d.OnCommand(IDCANCEL_COMMAND);
    EXPECT_EQ(host.ended, IDCANCEL);
    EXPECT_EQ(ReadInt("GainSlider"), -1500);
    EXPECT_EQ(ReadInt("ToolTips"), 0);
    EXPECT_EQ(ReadString("CurPresetName"), "<missing>");
}

TEST_F(Settings, StoredOutputChoicesAndSoundCardValuesAreUsedAndWrittenBack)
{
    WriteInt("OutCardSel", 0);
    WriteInt("OutCardEmu", 7);
    WriteInt("DeviceID", 0x10001);
    WriteInt("RealTimeWatch", 0);
    WriteInt("ClipDB", -3);
    CMainDlg& d = Open();
    EXPECT_EQ(d.GetListenFlag(), 0);
    EXPECT_EQ(d.Player().GetDeviceId(), 1);
    EXPECT_EQ(d.GetRealTimeWatch(), 0);
    EXPECT_EQ(d.GetClipThreshold(), -3);
    d.OnOK();
    EXPECT_EQ(ReadInt("OutCardEmu"), 7);
    EXPECT_EQ(ReadInt("DeviceID"), 1);
    EXPECT_EQ(ReadInt("OutCardSel"), 0);
    EXPECT_EQ(ReadInt("OutFileSel"), 1);
    EXPECT_EQ(ReadInt("RealTimeWatch"), 0);
}

}  // namespace
