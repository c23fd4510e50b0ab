#include "ParameterTable.h"

#include "NameMatch.h"

const ParameterInfo* ParameterTable::Find(std::string_view name) noexcept
{
    for (const ParameterInfo& p : All)
        if (SameNameIgnoringCase(p.name, name)) return &p;
    return nullptr;
}
