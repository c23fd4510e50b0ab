#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program/ui/SoundCardChoice.h"

namespace {

std::vector<std::string> Names(const SoundCardChoice& choice)
{
    std::vector<std::string> names;
    for (const SoundCardChoice::Item& item : choice.Items()) names.push_back(item.name);
    return names;
}

TEST(SoundCardChoice, BoxIsSortedByNameAndItemsKeepTheirDeviceIds)
{
    SoundCardChoice choice;
    choice.Begin(0, 1);
    choice.AddItem("Zeta Card", 0);
    choice.AddItem("alpha card", 1);
    choice.AddItem("Mid Card", 2);
    EXPECT_EQ(Names(choice), (std::vector<std::string>{"alpha card", "Mid Card", "Zeta Card"}));
    // The kept device stays selected while later names sort in front of it.
    EXPECT_EQ(choice.Selection(), 0);
    choice.AddItem("Aardvark", 3);
    EXPECT_EQ(choice.Selection(), 1);
    EXPECT_EQ(choice.Items()[1].deviceId, 1);

    // Choosing the first name in the box takes the id of the device that carries it.
    choice.ChooseItem(0);
    EXPECT_EQ(choice.DeviceIndex(), 3);
    EXPECT_EQ(choice.Listen(), 1);
    EXPECT_EQ(choice.Selection(), 0);
}

TEST(SoundCardChoice, EqualNamesAppearTwiceToldApartByPosition)
{
    SoundCardChoice choice;
    choice.Begin(1, 0);
    choice.AddItem("USB Audio", 0);
    choice.AddItem("Default output", 1);
    choice.AddItem("USB Audio", 2);
    ASSERT_EQ(Names(choice), (std::vector<std::string>{"Default output", "USB Audio", "USB Audio"}));
    EXPECT_EQ(choice.Selection(), 1);
    choice.ChooseItem(2);
    EXPECT_EQ(choice.DeviceIndex(), 2);
    choice.ChooseItem(1);
    EXPECT_EQ(choice.DeviceIndex(), 0);
}

TEST(SoundCardChoice, AVanishedDeviceSelectsNothingAndIsKept)
{
    SoundCardChoice choice;
    choice.Begin(0, 7);
    choice.AddItem("Card A", 0);
    choice.AddItem("Card B", 1);
    EXPECT_EQ(choice.Selection(), -1);
    EXPECT_EQ(choice.DeviceIndex(), 7);
    EXPECT_EQ(choice.Listen(), 0);
    // Picks outside the box change nothing.
    choice.ChooseItem(-1);
    choice.ChooseItem(2);
    EXPECT_EQ(choice.DeviceIndex(), 7);
    EXPECT_EQ(choice.Listen(), 0);
    EXPECT_EQ(choice.Selection(), -1);

    // A new choice starts from an empty box.
    choice.Begin(1, 0);
    EXPECT_TRUE(choice.Items().empty());
    EXPECT_EQ(choice.Listen(), 1);
}

}  // namespace
