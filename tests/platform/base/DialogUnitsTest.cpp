#include <gtest/gtest.h>

#include <climits>

#include "platform/base/DialogUnits.h"

TEST(MulDivTest, RoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDiv(421, 6, 4), 632);  // 631.5
    EXPECT_EQ(MulDiv(-421, 6, 4), -632);
    EXPECT_EQ(MulDiv(421, -6, 4), -632);
    EXPECT_EQ(MulDiv(421, 6, -4), -632);
    EXPECT_EQ(MulDiv(217, 13, 8), 353);  // 352.625
    EXPECT_EQ(MulDiv(5, 13, 8), 8);      // 8.125
    EXPECT_EQ(MulDiv(0, 13, 8), 0);
}

TEST(MulDivTest, UsesAWideProductAndRefusesWhatDoesNotFit) {
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
    EXPECT_EQ(MulDiv(INT_MIN, 1, 1), INT_MIN);
}

TEST(DialogUnitsTest, MapsATemplateRectangleWithTheDesignedBaseUnits) {
    DialogRect r = MapDialogRect(141, 7, 50, 14);
    EXPECT_EQ(r.x, 212);      // 211.5
    EXPECT_EQ(r.y, 11);       // 11.375
    EXPECT_EQ(r.width, 75);
    EXPECT_EQ(r.height, 23);  // 22.75
}
