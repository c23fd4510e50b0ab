#include <gtest/gtest.h>

#include "program/ui/PresetBox.h"

namespace {

std::vector<std::string> Items(const PresetBox& box)
{
    std::vector<std::string> items;
    for (int i = 0; i < box.GetCount(); ++i) items.push_back(box.GetItem(i));
    return items;
}

TEST(PresetBox, SortsWithCaseIgnoredAndKeepsTheSelectedItem)
{
    PresetBox box;
    for (const char* name : {"beta", "Gamma", "alpha", "Beta", "\xc3\x89t\xc3\xa9", "10 dB"}) box.AddString(name);
    EXPECT_EQ(Items(box), (std::vector<std::string>{"10 dB", "alpha", "beta", "Beta", "Gamma", "\xc3\x89t\xc3\xa9"}));

    box.SetCurSel(box.FindStringExact("GAMMA"));
    EXPECT_EQ(box.GetText(), "Gamma");
    EXPECT_EQ(box.AddString("a"), 1);
    EXPECT_EQ(box.GetItem(box.GetCurSel()), "Gamma");
    box.DeleteString(0);
    EXPECT_EQ(box.GetItem(box.GetCurSel()), "Gamma");
    box.DeleteString(box.GetCurSel());
    EXPECT_EQ(box.GetCurSel(), -1);
    EXPECT_EQ(box.GetText(), "Gamma");  // the edit field keeps what it showed
    EXPECT_EQ(box.FindStringExact("gamma"), -1);
}

TEST(PresetBox, TypingDropsTheSelectionAndAMissingItemSelectsNothing)
{
    PresetBox box;
    box.AddString("Rock");
    box.SetCurSel(0);
    box.SetText("Roc");
    EXPECT_EQ(box.GetCurSel(), -1);
    EXPECT_EQ(box.GetText(), "Roc");
    box.SetCurSel(5);
    EXPECT_EQ(box.GetCurSel(), -1);
    EXPECT_EQ(box.GetText(), "");
    box.DeleteString(0);
    box.SetCurSel(0);
    EXPECT_EQ(box.GetCurSel(), -1);
}

} // namespace
