#include "program/ui/PresetBox.h"

#include <algorithm>

#include "engine/NameMatch.h"

namespace {

char Folded(char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Alphabetical with case ignored; beyond ASCII, in code point order.
bool SortsBefore(std::string_view a, std::string_view b) noexcept
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(Folded(x)) < static_cast<unsigned char>(Folded(y));
    });
}

} // namespace

int PresetBox::AddString(const std::string& value)
{
    const auto at = std::upper_bound(items.begin(), items.end(), value,
                                     [](const std::string& a, const std::string& b) { return SortsBefore(a, b); });
    const int index = static_cast<int>(at - items.begin());
    items.insert(at, value);
    if (selected >= index) ++selected;
    return index;
}

int PresetBox::FindStringExact(std::string_view value) const noexcept
{
    for (std::size_t i = 0; i < items.size(); ++i)
        if (SameNameIgnoringCase(items[i], value)) return static_cast<int>(i);
    return -1;
}

void PresetBox::DeleteString(int index)
{
    if (index < 0 || index >= GetCount()) return;
    items.erase(items.begin() + index);
    if (selected == index) selected = -1;
    else if (selected > index) --selected;
}

void PresetBox::ResetContent() noexcept
{
    items.clear();
    selected = -1;
    text.clear();
}

void PresetBox::SetCurSel(int index)
{
    selected = index >= 0 && index < GetCount() ? index : -1;
    text = selected >= 0 ? items[static_cast<std::size_t>(selected)] : std::string();
}

void PresetBox::SetText(std::string value)
{
    text = std::move(value);
    selected = -1;
}
