#include "program/ui/CPresetList.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <pwd.h>
#include <unistd.h>

#include "platform/fs/ResultFile.h"
#include "program/ui/PresetFiles.h"

namespace {

constexpr int kBackupNames = 1000;

std::string CurrentDirectory()
{
    std::string path(4096, '\0');
    while (::getcwd(path.data(), path.size()) == nullptr) {
        if (errno != ERANGE) return ".";
        path.resize(path.size() * 2);
    }
    path.resize(path.find('\0'));
    return path;
}

std::string DataDirectory()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/')
        return std::string(xdg) + "/calyrix";
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home != '/') {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw != nullptr ? pw->pw_dir : nullptr;
    }
    if (home == nullptr || *home != '/') return std::string();
    return std::string(home) + "/.local/share/calyrix";
}

std::string KeptText(const std::string& backup)
{
    return "The file is left as it is unless you change the presets; it is then kept as " + backup +
           " before they are saved.\n";
}

} // namespace

std::string CPresetList::ChooseDirectory(const std::string& startDirectory)
{
    if (PresetFiles::Exists(startDirectory + "/Embrel.pre") || PresetFiles::Exists(startDirectory + "/Temp.pre"))
        return startDirectory;
    const std::string data = DataDirectory();
    return data.empty() ? startDirectory : data;
}

void CPresetList::Load(const std::string& startDirectory)
{
    errorFlag = 0;
    errorText.clear();
    presets.clear();
    damaged = changed = false;
    std::string start = startDirectory.empty() ? CurrentDirectory() : startDirectory;
    while (start.size() > 1 && start.back() == '/') start.pop_back();
    SetPaths(ChooseDirectory(start));
    PresetFiles::DirectoryLock lock(directory);
    ReadFile(RecoverInterruptedSave());
}

void CPresetList::SetPaths(const std::string& chosenDirectory)
{
    directory = chosenDirectory;
    presetsPath = directory + "/Embrel.pre";
    ResultFile linked;
    if (linked.Open(presetsPath) && !linked.IsStream() && linked.Target() != presetsPath) {
        presetsPath = linked.Target();
        directory = linked.Directory();
    }
    tempPath = directory + "/Temp.pre";
}

std::string CPresetList::RecoverInterruptedSave()
{
    if (!PresetFiles::Exists(tempPath)) return presetsPath;
    if (PresetFiles::Exists(presetsPath)) {
        // Both are there only when a save stopped after writing "Temp.pre": complete, it is
        // the newer list; cut short, it is what remains of a save that never finished.
        std::string bytes, reason;
        bool missing = false;
        if (!PresetFiles::ReadAll(tempPath, bytes, reason, missing) || CPresetArchive::Read(bytes).damaged)
            return presetsPath;
    }
    if (std::rename(tempPath.c_str(), presetsPath.c_str()) != 0) return tempPath;
    PresetFiles::SyncDirectory(directory);
    return presetsPath;
}

void CPresetList::ReadFile(const std::string& path)
{
    std::string bytes, reason;
    bool missing = false;
    if (!PresetFiles::ReadAll(path, bytes, reason, missing)) {
        if (missing) return;
        damaged = true;
        Fail("The presets file, " + path + ", cannot be read: " + reason + ".\n" + KeptText(FreeBackupPath()));
        return;
    }
    CPresetArchive::ReadResult result = CPresetArchive::Read(bytes);
    presets = std::move(result.presets);
    if (!result.damaged) return;
    damaged = true;
    Fail("The presets file, " + path + ", is damaged: " + result.problem + ".\n" +
         std::to_string(presets.size()) + (presets.size() == 1 ? " preset" : " presets") +
         " before the damage " + (presets.size() == 1 ? "was" : "were") + " loaded. " +
         KeptText(FreeBackupPath()));
}

void CPresetList::Save()
{
    errorFlag = 0;
    errorText.clear();
    if (presetsPath.empty() || (damaged && !changed)) return;
    std::string reason;
    bool ok = PresetFiles::MakeDirectories(directory, reason);
    if (ok) {
        PresetFiles::DirectoryLock lock(directory);
        if (PresetFiles::Exists(tempPath)) ::unlink(tempPath.c_str());
        ok = PresetFiles::WriteNew(tempPath, CPresetArchive::Write(presets), PresetFiles::ModeOf(presetsPath),
                                   reason) &&
             (!damaged || KeepBackup(reason));
        if (ok && std::rename(tempPath.c_str(), presetsPath.c_str()) != 0) ok = false, reason = std::strerror(errno);
        if (!ok) ::unlink(tempPath.c_str());
    }
    if (!ok) {
        Fail("The presets cannot be saved in " + directory + ": " + reason + ".\n" + presetsPath +
             " is left as it was.\n");
        return;
    }
    PresetFiles::SyncDirectory(directory);
    damaged = changed = false;
}

bool CPresetList::KeepBackup(std::string& reason)
{
    if (!PresetFiles::Exists(presetsPath)) return true;
    const std::string backup = FreeBackupPath();
    if (::link(presetsPath.c_str(), backup.c_str()) == 0) return true;
    // A file system without hard links: keep a copy instead.
    std::string bytes;
    bool missing = false;
    if (!PresetFiles::ReadAll(presetsPath, bytes, reason, missing)) {
        reason = presetsPath + " cannot be kept as " + backup + " (" + reason + ")";
        return false;
    }
    if (PresetFiles::WriteNew(backup, bytes, PresetFiles::ModeOf(presetsPath), reason)) return true;
    reason = presetsPath + " cannot be kept as " + backup + " (" + reason + ")";
    return false;
}

std::string CPresetList::FreeBackupPath() const
{
    std::string path = presetsPath + ".bak";
    for (int n = 2; n <= kBackupNames && PresetFiles::Exists(path); ++n)
        path = presetsPath + ".bak." + std::to_string(n);
    return path;
}

CPresets* CPresetList::Find(std::string_view name) noexcept
{
    for (const auto& preset : presets)
        if (preset->name == name) return preset.get();
    return nullptr;
}

CPresets* CPresetList::Add(const std::string& name, const SaturationSettings& values)
{
    errorFlag = 0;
    errorText.clear();
    try {
        presets.push_back(std::make_unique<CPresets>(name, values));
    } catch (const std::bad_alloc&) {
        Fail("Error adding preset.\n");
        return nullptr;
    }
    changed = true;
    return presets.back().get();
}

bool CPresetList::Remove(std::string_view name) noexcept
{
    for (auto it = presets.begin(); it != presets.end(); ++it) {
        if ((*it)->name != name) continue;
        presets.erase(it);
        changed = true;
        return true;
    }
    return false;
}

void CPresetList::Fail(std::string text)
{
    errorFlag = 1;
    errorText = std::move(text);
}
