#pragma once

#include <string>

#include "engine/SaturationSettings.h"

// One user preset: a name (UTF-8, case kept) and the nine values on the integer scale.
class CPresets {
public:
    CPresets() = default;
    CPresets(std::string name, const SaturationSettings& values);

    SaturationSettings GetSettings() const noexcept;
    void SetSettings(const SaturationSettings& values) noexcept;

    // The bytes the file holds for the name: storedName when the name was read from a file
    // in another encoding and is unchanged, so such a file is written back byte for byte.
    const std::string& NameForFile() const;

    std::string name;
    int gain = 0;
    int tube = 0;
    int mix = 0;
    int character = 0;
    int dynamics = 0;
    int tape = 0;
    int knee = 0;
    int limiter = 0;
    int dither = 0;
    std::string storedName;  // empty unless the file's bytes for the name were not UTF-8
};
