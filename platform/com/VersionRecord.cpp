#include "platform/com/VersionRecord.h"

#include <cstring>

namespace {

// The zero-terminated text at offset, or false when it runs past the table.
bool NextText(const char* table, std::size_t size, std::size_t* offset, std::string* text)
{
    const void* end = std::memchr(table + *offset, '\0', size - *offset);
    if (end == nullptr)
        return false;
    const std::size_t length = static_cast<const char*>(end) - (table + *offset);
    text->assign(table + *offset, length);
    *offset += length + 1;
    return true;
}

} // namespace

bool ReadVersionStrings(const VersionRecord& record, std::vector<std::pair<std::string, std::string>>* strings)
{
    strings->clear();
    if (std::memcmp(record.signature, VersionRecordSignature, sizeof record.signature) != 0)
        return false;
    std::size_t offset = 0;
    const std::size_t size = sizeof record.strings;
    while (offset < size) {
        std::string name, value;
        if (!NextText(record.strings, size, &offset, &name))
            return false;
        if (name.empty())
            return true;
        if (offset >= size || !NextText(record.strings, size, &offset, &value))
            return false;
        strings->emplace_back(std::move(name), std::move(value));
    }
    return false;
}

std::string VersionText(const WORD (&version)[4])
{
    return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." + std::to_string(version[2]) + "." +
           std::to_string(version[3]);
}
