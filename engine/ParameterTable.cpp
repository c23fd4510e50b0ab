#include "ParameterTable.h"

#include <cctype>

const ParameterInfo* ParameterTable::Find(std::string_view name) noexcept
{
    for (const ParameterInfo& p : All) {
        const std::string_view n = p.name;
        if (n.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < n.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(n[i])) ==
                   std::tolower(static_cast<unsigned char>(name[i]));
        if (same) return &p;
    }
    return nullptr;
}
