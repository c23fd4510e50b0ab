#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "program/ui/CPresetArchive.h"

// The user's presets in the order of the file (and of addition), with the file they live
// in. Load fixes the paths once: the start directory when "Embrel.pre" or "Temp.pre" is
// there, else the per-user data directory ($XDG_DATA_HOME/calyrix, else
// ~/.local/share/calyrix). Save writes "Temp.pre" and renames it over "Embrel.pre". An
// "Embrel.pre" that is a symbolic link is followed: the file it leads to is read and
// replaced (with "Temp.pre" beside that file), and the link stays.
//
// Load, Save and Add clear errorFlag on entry and leave a message in errorText when they
// fail; the lookups and Remove leave both alone. A damaged or unreadable file is reported
// by Load, keeps the presets read before the damage, and is replaced by Save only when the
// list was changed, after it has been kept under a backup name beside it.
class CPresetList {
public:
    CPresetList() = default;
    CPresetList(const CPresetList&) = delete;
    CPresetList& operator=(const CPresetList&) = delete;

    // startDirectory: "" for the current directory.
    void Load(const std::string& startDirectory = std::string());
    void Save();

    std::size_t GetCount() const noexcept { return presets.size(); }
    const CPresets& Get(std::size_t index) const noexcept { return *presets[index]; }

    // The first preset whose name equals name byte for byte; nullptr when there is none.
    CPresets* Find(std::string_view name) noexcept;
    // Appends a preset; nullptr (and the error) when it cannot be created.
    CPresets* Add(const std::string& name, const SaturationSettings& values);
    // Removes the first preset named name exactly; false when there is none.
    bool Remove(std::string_view name) noexcept;

    const std::string& GetPresetsPath() const noexcept { return presetsPath; }
    const std::string& GetTempPath() const noexcept { return tempPath; }
    bool IsDamaged() const noexcept { return damaged; }
    bool IsChanged() const noexcept { return changed; }

    int GetErrorFlag() const noexcept { return errorFlag; }
    const char* GetErrorText() const noexcept { return errorText.c_str(); }

    // The directory Load picks for a start directory, from the environment as it is now.
    static std::string ChooseDirectory(const std::string& startDirectory);

private:
    void SetPaths(const std::string& chosenDirectory);
    // The file to read: "Temp.pre" taken over as "Embrel.pre" when it holds a save that
    // was cut short before its rename.
    std::string RecoverInterruptedSave();
    void ReadFile(const std::string& path);
    bool KeepBackup(std::string& reason);
    // The first of "Embrel.pre.bak", "Embrel.pre.bak.2", ... that does not exist yet.
    std::string FreeBackupPath() const;
    void Fail(std::string text);

    CPresetArchive::List presets;
    std::string directory;
    std::string presetsPath;
    std::string tempPath;
    bool damaged = false;
    bool changed = false;
    int errorFlag = 0;
    std::string errorText;
};
