// The main window's settings in the registry, read at initialisation and written by the
// OK path.
#include <string>

#include "platform/registry/Registry.h"
#include "program/ui/CMainDlg.h"

namespace {

constexpr const char* SettingsKey = "Software\\Quorel\\Calyrix\\Version 1.0";
constexpr const char* Section = "Version 1.0";
constexpr const char* TemporaryName = "~Embrel~.wav";

const char* const RecentInputs[3] = {"InFileName1", "InFileName2", "InFileName3"};
const char* const RecentOutputs[3] = {"OutFileName1", "OutFileName2", "OutFileName3"};

// The settings key, opened for one pass of reads or writes.
class Profile {
public:
    explicit Profile(bool write)
    {
        if (write)
            RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                            nullptr, &key, nullptr);
        else if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            key = nullptr;
    }
    ~Profile()
    {
        if (key) RegCloseKey(key);
    }
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    std::string GetString(const char* name, const char* fallback) const
    {
        DWORD type = 0, size = 0;
        if (!key || RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
            return fallback;
        std::string value(size, '\0');
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(value.data()), &size) !=
            ERROR_SUCCESS)
            return fallback;
        value.resize(value.find('\0') == std::string::npos ? value.size() : value.find('\0'));
        return value;
    }
    int GetInt(const char* name, int fallback) const
    {
        DWORD type = 0, value = 0, size = sizeof value;
        if (!key || RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) !=
                        ERROR_SUCCESS || type != REG_DWORD)
            return fallback;
        return int(value);
    }
    void WriteString(const char* name, const std::string& value) const
    {
        if (key)
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           DWORD(value.size() + 1));
    }
    void WriteInt(const char* name, int value) const
    {
        const DWORD v = DWORD(value);
        if (key) RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    }

private:
    HKEY key = nullptr;
};

}  // namespace

void CMainDlg::LoadSettings()
{
    const Profile profile(false);
    for (const char* name : {"InFileName3", "InFileName2", "InFileName1", "InFileNameCur"}) {
        const std::string path = profile.GetString(name, "");
        if (!path.empty()) AddInputFile(path.c_str());
    }
    char temp[250];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    temporaryPath = std::string(length > 0 && length < sizeof temp ? temp : "/tmp/") + TemporaryName;
    for (const char* name : {"OutFileName3", "OutFileName2", "OutFileName1", "OutFileNameCur"}) {
        const std::string path = profile.GetString(name, "");
        if (!path.empty()) AddOutputFile(path.c_str());
    }
    currentPresetName = profile.GetString("CurPresetName", "(Defaults)").substr(0, FileNameLimit - 1);
    listenFlag = profile.GetInt("OutCardSel", 1);
    writeFlag = profile.GetInt("OutFileSel", 1);
    toolTips = profile.GetInt("ToolTips", 1);
    LoadSoundCardSettings(Section);
    auto parameter = [&](const char* name, int& field, int (SaturationEngine::*get)() noexcept,
                         void (SaturationEngine::*set)(int) noexcept) {
        field = profile.GetInt(name, (engine.*get)());
        (engine.*set)(field);
    };
    using E = SaturationEngine;
    parameter("GainSlider", gain, &E::GetGain, &E::SetGain);
    parameter("TubeButton", tube, &E::GetTube, &E::SetTube);
    parameter("MixSlider", mix, &E::GetMix, &E::SetMix);
    parameter("CharacterSlider", character, &E::GetCharacter, &E::SetCharacter);
    parameter("DynamicsSlider", dynamics, &E::GetDynamics, &E::SetDynamics);
    parameter("TapeButton", tape, &E::GetTape, &E::SetTape);
    parameter("LimiterSlider", limiter, &E::GetLimiter, &E::SetLimiter);
    parameter("KneeSlider", knee, &E::GetKnee, &E::SetKnee);
    parameter("DitherButton", dither, &E::GetDither, &E::SetDither);
    clipThreshold = profile.GetInt("ClipDB", -1);
    LoadPlacement();
}

void CMainDlg::LoadSoundCardSettings(const char*)
{
    const Profile profile(false);
    keptValue = profile.GetInt("OutCardEmu", 0);
    player.SetDeviceId(DWORD(profile.GetInt("DeviceID", 0)));
    realTimeWatch = profile.GetInt("RealTimeWatch", 1);
}

// The stored normal position, kept on the screen's right and bottom; the window always
// opens in its normal state.
void CMainDlg::LoadPlacement()
{
    const Profile profile(false);
    WindowPlacement placement = host.GetPlacement();
    const int flags = profile.GetInt("flags", -1);
    if (flags == -1) return;
    placement.showCmd = 5;
    int left = profile.GetInt("left", -1);
    int top = left == -1 ? -1 : profile.GetInt("top", -1);
    if (left == -1 || top == -1) return;
    int screenWidth = 0, screenHeight = 0, iconWidth = 0, iconHeight = 0;
    host.GetScreenMetrics(&screenWidth, &screenHeight, &iconWidth, &iconHeight);
    if (left >= screenWidth - iconWidth) left = screenWidth - iconWidth;
    if (top >= screenHeight - iconHeight) top = screenHeight - iconHeight;
    placement.left = left;
    placement.top = top;
    placement.flags = flags;
    host.SetPlacement(placement);
}

// Current item, then the three most recent other items, newest first.
void CMainDlg::SaveFileList(const FileBox& box, const char* current, const char* const recent[3])
{
    const Profile profile(true);
    const int n = int(box.items.size());
    const int c = box.selected;
    profile.WriteString(current, n > 0 && c != -1 ? box.items[std::size_t(c)].path : std::string());
    int k = n;
    for (int i = 0; i < 3; ++i) {
        if (k - 1 == c) --k;
        profile.WriteString(recent[i], k > 0 ? box.items[std::size_t(k - 1)].path : std::string());
        --k;
    }
}

void CMainDlg::SaveSettings()
{
    SaveFileList(inputFiles, "InFileNameCur", RecentInputs);
    SaveFileList(outputFiles, "OutFileNameCur", RecentOutputs);
    {
        const Profile profile(true);
        profile.WriteString("CurPresetName", currentPresetName);
        profile.WriteInt("OutCardSel", listenFlag);
        profile.WriteInt("OutFileSel", writeFlag);
        profile.WriteInt("ToolTips", toolTips);
    }
    SaveSoundCardSettings(Section);
    const Profile profile(true);
    const std::pair<const char*, int> parameters[] = {
        {"GainSlider", gain},       {"TubeButton", tube},       {"MixSlider", mix},
        {"CharacterSlider", character}, {"DynamicsSlider", dynamics}, {"TapeButton", tape},
        {"LimiterSlider", limiter}, {"KneeSlider", knee},       {"DitherButton", dither}};
    for (const auto& [name, value] : parameters) profile.WriteInt(name, value);
    profile.WriteInt("ClipDB", clipThreshold);
    const WindowPlacement placement = host.GetPlacement();
    profile.WriteInt("flags", placement.flags);
    profile.WriteInt("showCmd", placement.showCmd);
    profile.WriteInt("left", placement.left);
    profile.WriteInt("top", placement.top);
}

void CMainDlg::SaveSoundCardSettings(const char*)
{
    const Profile profile(true);
    profile.WriteInt("OutCardEmu", keptValue);
    profile.WriteInt("DeviceID", int(player.GetDeviceId() & 0xFFFF));
    profile.WriteInt("RealTimeWatch", realTimeWatch);
}
