#pragma once

#include <string>
#include <string_view>
#include <vector>

// The sorted, editable preset box without its toolkit: the items in the box's order (case
// ignored), the selected item and the text of its edit field. Typing a text drops the
// selection; selecting an item shows its text.
class PresetBox {
public:
    // Inserts at the item's sorted place (after items that compare equal) and returns it.
    int AddString(const std::string& text);
    // The first item equal to text with case ignored; -1 when there is none.
    int FindStringExact(std::string_view text) const noexcept;
    void DeleteString(int index);
    void ResetContent() noexcept;

    int GetCount() const noexcept { return static_cast<int>(items.size()); }
    const std::string& GetItem(int index) const { return items[static_cast<std::size_t>(index)]; }

    // An index outside the items (-1 among them) leaves no selection and an empty text.
    void SetCurSel(int index);
    int GetCurSel() const noexcept { return selected; }

    // What the user typed.
    void SetText(std::string value);
    const std::string& GetText() const noexcept { return text; }

private:
    std::vector<std::string> items;
    int selected = -1;
    std::string text;
};
