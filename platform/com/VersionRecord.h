#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/base/Types.h"

// A component module's version resource. A module exports one as the data symbol
// "CalyrixVersionRecord", so that a tool can read it without calling into the module.
constexpr DWORD VFT_DLL = 2;
constexpr const char* VersionRecordSymbol = "CalyrixVersionRecord";
constexpr char VersionRecordSignature[8] = "CLXVER1";

struct VersionRecord {
    char signature[8];
    WORD fileVersion[4];     // most significant part first: 1.0.0.3 is {1, 0, 0, 3}
    WORD productVersion[4];
    DWORD fileType;
    // The string table: name, value, name, value ..., each zero-terminated, then an empty name.
    char strings[1024];
};

// The record's name-value pairs in table order; false when the signature is wrong or the
// table is not ended within its bytes.
bool ReadVersionStrings(const VersionRecord& record, std::vector<std::pair<std::string, std::string>>* strings);
// "1.0.0.3"
std::string VersionText(const WORD (&version)[4]);
