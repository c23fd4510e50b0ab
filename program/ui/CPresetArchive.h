#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "program/ui/CPresets.h"

// The presets file's bytes. All numbers little-endian: the preset count (16 bits, or 0xFFFF
// and 32 bits from 65535 on), then each preset as a serialised object: the first with the
// new-class record (0xFFFF, schema 1, the name "CPresets"), each later one with the class
// tag 0x8001; its fields are ten strings, the name and the nine values as "%d ". A string
// is a length (one byte below 255, else 0xFF and 16 bits below 0xFFFE, else 0xFF, 0xFFFF
// and 32 bits) and its bytes.
class CPresetArchive {
public:
    using List = std::vector<std::unique_ptr<CPresets>>;

    struct ReadResult {
        List presets;         // every preset read completely, in file order
        bool damaged = false;
        std::string problem;  // what is wrong and where, when damaged
    };

    static std::string Write(const List& presets);

    // Never trusts a length or count beyond the bytes there are: nothing is allocated for
    // more than the input holds, and a damaged input keeps the presets before the damage.
    static ReadResult Read(std::string_view bytes);

    // atoi's rules: blanks skipped, an optional sign, the digits up to the first other
    // character, 0 when there are none; values beyond int saturate.
    static int ParseNumber(std::string_view text) noexcept;

    static void AppendString(std::string& out, std::string_view text);
};
