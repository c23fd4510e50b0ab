#include "slider/CTarvelCtrl.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "slider/TarvelResources.h"

namespace {

struct RecordingSite : CTarvelCtrl::Site {
    std::vector<LONG> scrolls;
    int invalidations = 0;
    int modified = 0;
    bool captured = false;
    int releases = 0;

    void InvalidateControl() override { ++invalidations; }
    void FireScroll(LONG pos) override { scrolls.push_back(pos); }
    void SetModifiedFlag() override { ++modified; }
    void SetCapture() override { captured = true; }
    bool HasCapture() const override { return captured; }
    void ReleaseCapture() override
    {
        captured = false;
        ++releases;
    }
};

using Rect = CTarvelCtrl::Rect;
using Key = CTarvelCtrl::Key;

// The small set's client area: the track image itself.
const Rect kSmallBounds{0, 0, 37, 204};

class SmallTarvel : public ::testing::Test {
protected:
    SmallTarvel() { ctrl.OnCreate(37, 204, 16, 36); }

    RecordingSite site;
    CTarvelCtrl ctrl{site};
};

TEST(TarvelGeometry, BitmapChoiceFollowsFontAndDisplay)
{
    using namespace TarvelRes;
    EXPECT_FALSE(CTarvelCtrl::IsLargeFont(19));
    EXPECT_TRUE(CTarvelCtrl::IsLargeFont(20));
    auto c = CTarvelCtrl::ChooseBitmaps(true, true);
    EXPECT_EQ(c.track, IDB_TRACK_LARGE_DITHER);
    EXPECT_EQ(c.knob, IDB_KNOB_LARGE);
    EXPECT_EQ(CTarvelCtrl::ChooseBitmaps(true, false).track, IDB_TRACK_LARGE_SMOOTH);
    c = CTarvelCtrl::ChooseBitmaps(false, true);
    EXPECT_EQ(c.track, IDB_TRACK_SMALL_DITHER);
    EXPECT_EQ(c.knob, IDB_KNOB_SMALL);
    EXPECT_EQ(CTarvelCtrl::ChooseBitmaps(false, false).track, IDB_TRACK_SMALL_SMOOTH);
}

TEST(TarvelGeometry, DesignModeFillSizes)
{
    EXPECT_EQ(CTarvelCtrl::DesignModeRect(true, 46, 254), (Rect{0, 0, 50, 253}));
    EXPECT_EQ(CTarvelCtrl::DesignModeRect(false, 37, 204), (Rect{0, 0, 38, 205}));
}

TEST(TarvelGeometry, LargeSetAtDefaults)
{
    RecordingSite site;
    CTarvelCtrl ctrl(site);
    ctrl.OnCreate(46, 254, 20, 45);
    EXPECT_EQ(ctrl.KnobLeft(), 14);
    EXPECT_EQ(ctrl.KnobRight(), 34);
    EXPECT_EQ(ctrl.Travel(), 205);
    EXPECT_EQ(ctrl.KnobOffset(), 102);
    EXPECT_EQ(ctrl.KnobRect(), (Rect{14, 103, 34, 148}));
}

TEST_F(SmallTarvel, CreationDefaults)
{
    EXPECT_EQ(ctrl.GetRangeMin(), 0);
    EXPECT_EQ(ctrl.GetRangeMax(), 100);
    EXPECT_EQ(ctrl.GetPos(), 50);
    EXPECT_EQ(ctrl.PageStep(), 10);
    EXPECT_EQ(ctrl.Travel(), 164);
    EXPECT_EQ(ctrl.KnobOffset(), 82);
    EXPECT_EQ(ctrl.KnobRect(), (Rect{11, 83, 27, 119}));
    EXPECT_FALSE(ctrl.Dragging());
}

TEST_F(SmallTarvel, CreationReplacesEarlierValues)
{
    ctrl.SetRange(-5, 5);
    ctrl.SetPos(3);
    ctrl.OnCreate(37, 204, 16, 36);
    EXPECT_EQ(ctrl.GetRangeMin(), 0);
    EXPECT_EQ(ctrl.GetRangeMax(), 100);
    EXPECT_EQ(ctrl.GetPos(), 50);
}

TEST_F(SmallTarvel, PageStepIsCeilingOfTenthOfSpan)
{
    for (LONG span = 1; span <= 999999; span += (span < 2000 ? 1 : 997)) {
        ctrl.SetRange(0, span);
        ASSERT_EQ(ctrl.PageStep(), (span + 9) / 10) << "span " << span;
    }
    ctrl.SetRange(0, 105);
    EXPECT_EQ(ctrl.PageStep(), 11);
    ctrl.SetRange(0, 5);
    EXPECT_EQ(ctrl.PageStep(), 1);
    ctrl.SetRange(7, 7);
    EXPECT_EQ(ctrl.PageStep(), 1);
}

TEST_F(SmallTarvel, PropertyCallsStoreRepaintAndNeverScroll)
{
    ctrl.SetRange(0, 1000);
    EXPECT_EQ(ctrl.KnobOffset(), 8);
    EXPECT_EQ(ctrl.PageStep(), 100);
    EXPECT_EQ(ctrl.GetPos(), 50);

    ctrl.SetPos(150);  // not clamped, not brought into range
    EXPECT_EQ(ctrl.GetPos(), 150);
    ctrl.SetRangeMax(100);
    EXPECT_EQ(ctrl.GetPos(), 150);
    EXPECT_EQ(ctrl.KnobRect().top, 247);
    ctrl.SetRangeMin(-100);
    EXPECT_EQ(ctrl.Span(), 200);
    EXPECT_EQ(ctrl.KnobOffset(), 205);  // 250 * 164 / 200 = 205

    LONG lo = 1, hi = 1;
    ctrl.GetRange(lo, hi);
    EXPECT_EQ(lo, -100);
    EXPECT_EQ(hi, 100);
    EXPECT_TRUE(site.scrolls.empty());
    EXPECT_EQ(site.invalidations, 4);
    EXPECT_EQ(site.modified, 4);
}

TEST_F(SmallTarvel, OffsetTruncatesTowardZero)
{
    ctrl.SetRange(-2000, 0);
    ctrl.SetPos(-1999);  // 1 * 164 / 2000 = 0.082
    EXPECT_EQ(ctrl.KnobOffset(), 0);
    ctrl.SetPos(-2001);  // -0.082 truncates to 0, not -1
    EXPECT_EQ(ctrl.KnobOffset(), 0);
    ctrl.SetPos(-2013);  // -1.066
    EXPECT_EQ(ctrl.KnobOffset(), -1);
}

TEST_F(SmallTarvel, HomeAndEndFireEvenAtTheEnds)
{
    EXPECT_TRUE(ctrl.OnKeyDown(Key::Home));
    EXPECT_TRUE(ctrl.OnKeyDown(Key::Home));
    EXPECT_EQ(ctrl.KnobOffset(), 0);
    EXPECT_TRUE(ctrl.OnKeyDown(Key::End));
    EXPECT_TRUE(ctrl.OnKeyDown(Key::End));
    EXPECT_EQ(ctrl.KnobOffset(), 164);
    EXPECT_EQ(site.scrolls, (std::vector<LONG>{0, 0, 100, 100}));
}

TEST_F(SmallTarvel, StepKeysClampAndFire)
{
    ctrl.SetPos(95);
    ctrl.OnKeyDown(Key::PageDown);
    EXPECT_EQ(ctrl.GetPos(), 100);
    ctrl.OnKeyDown(Key::Down);
    EXPECT_EQ(ctrl.GetPos(), 100);
    ctrl.OnKeyDown(Key::PageUp);
    ctrl.OnKeyDown(Key::Up);
    EXPECT_EQ(site.scrolls, (std::vector<LONG>{100, 100, 90, 89}));

    ctrl.SetPos(150);  // outside; the next key clamps
    ctrl.OnKeyDown(Key::Up);
    EXPECT_EQ(ctrl.GetPos(), 100);
}

TEST_F(SmallTarvel, OtherKeysChangeNothing)
{
    const Rect before = ctrl.KnobRect();
    const int repaints = site.invalidations;
    EXPECT_FALSE(ctrl.OnKeyDown(Key::Other));
    EXPECT_EQ(ctrl.GetPos(), 50);
    EXPECT_EQ(ctrl.KnobRect(), before);
    EXPECT_EQ(site.invalidations, repaints);
    EXPECT_TRUE(site.scrolls.empty());
}

TEST_F(SmallTarvel, KeysAtExtremeValuesDoNotOverflow)
{
    ctrl.SetRange(INT_MIN, INT_MAX);
    ctrl.SetPos(INT_MIN);
    ctrl.OnKeyDown(Key::PageUp);
    EXPECT_EQ(ctrl.GetPos(), INT_MIN);
    EXPECT_EQ(ctrl.KnobOffset(), 0);
    ctrl.OnKeyDown(Key::End);
    ctrl.OnKeyDown(Key::PageDown);
    EXPECT_EQ(ctrl.GetPos(), INT_MAX);
    EXPECT_EQ(ctrl.KnobOffset(), 164);
}

TEST_F(SmallTarvel, DragAddsUpSubUnitMotion)
{
    ctrl.OnLButtonDown(15, 100);
    ASSERT_TRUE(ctrl.Dragging());
    EXPECT_TRUE(site.captured);

    ctrl.OnMouseMove(101, kSmallBounds);  // trunc(0.61) = 0
    EXPECT_EQ(ctrl.GetPos(), 50);
    EXPECT_EQ(ctrl.DragAnchorY(), 100);
    EXPECT_TRUE(site.scrolls.empty());
    EXPECT_EQ(site.invalidations, 0);

    ctrl.OnMouseMove(102, kSmallBounds);  // trunc(1.22) = 1
    EXPECT_EQ(ctrl.GetPos(), 51);
    EXPECT_EQ(ctrl.DragAnchorY(), 102);
    EXPECT_EQ(site.scrolls, (std::vector<LONG>{51}));

    ctrl.OnMouseMove(92, kSmallBounds);  // trunc(-6.1) = -6: the fraction is dropped
    EXPECT_EQ(ctrl.GetPos(), 45);

    ctrl.OnLButtonUp();
    EXPECT_FALSE(ctrl.Dragging());
    EXPECT_FALSE(site.captured);
    ctrl.OnMouseMove(150, kSmallBounds);
    EXPECT_EQ(ctrl.GetPos(), 45);
}

TEST_F(SmallTarvel, DraggingPastTheBottomKeepsFiringTheMaximum)
{
    ctrl.SetPos(100);
    ctrl.OnLButtonDown(15, ctrl.KnobRect().top + 2);
    const LONG y = ctrl.DragAnchorY();
    ctrl.OnMouseMove(y + 5, kSmallBounds);
    ctrl.OnMouseMove(y + 6, kSmallBounds);  // 0.61: no step, no event
    ctrl.OnMouseMove(y + 10, kSmallBounds);
    EXPECT_EQ(site.scrolls, (std::vector<LONG>{100, 100}));
}

TEST_F(SmallTarvel, PointerOutsideTheBoundsStopsTheKnob)
{
    ctrl.OnLButtonDown(15, 90);
    ctrl.OnMouseMove(40, kSmallBounds);
    ctrl.OnMouseMove(-30, kSmallBounds);  // above the control: anchor follows, knob stays
    const LONG posAbove = ctrl.GetPos();
    EXPECT_EQ(ctrl.DragAnchorY(), -30);
    ctrl.OnMouseMove(0, kSmallBounds);  // back inside: measured from where it came back
    EXPECT_EQ(ctrl.GetPos(), posAbove + 18);  // trunc(30 * 100 / 164) = 18

    ctrl.OnMouseMove(195, kSmallBounds);  // lowest ten pixels
    EXPECT_EQ(ctrl.DragAnchorY(), 195);
    const LONG posLow = ctrl.GetPos();
    ctrl.OnMouseMove(194, kSmallBounds);
    EXPECT_EQ(ctrl.GetPos(), posLow);  // -0.61
    ctrl.OnMouseMove(193, kSmallBounds);
    EXPECT_EQ(ctrl.GetPos(), posLow - 1);
}

TEST_F(SmallTarvel, PressOutsideTheKnobDoesNothing)
{
    const Rect k = ctrl.KnobRect();
    ctrl.OnLButtonDown(k.right, k.top);      // right edge is outside
    ctrl.OnLButtonDown(k.left, k.bottom);    // bottom edge is outside
    ctrl.OnLButtonDown(k.left - 1, k.top);
    ctrl.OnLButtonDown(15, 10);
    EXPECT_FALSE(ctrl.Dragging());
    EXPECT_FALSE(site.captured);
    ctrl.OnMouseMove(150, kSmallBounds);
    EXPECT_EQ(ctrl.GetPos(), 50);
    EXPECT_TRUE(site.scrolls.empty());

    ctrl.OnLButtonDown(k.left, k.top);  // left and top edges are inside
    EXPECT_TRUE(ctrl.Dragging());
}

TEST_F(SmallTarvel, FocusLossEndsTheDrag)
{
    ctrl.OnLButtonDown(15, 100);
    ctrl.OnKillFocus();
    EXPECT_FALSE(ctrl.Dragging());
    EXPECT_EQ(site.releases, 1);
    ctrl.OnKillFocus();
    EXPECT_EQ(site.releases, 1);
}

TEST_F(SmallTarvel, EmptyRangePutsKnobAtTopAndMovesNothing)
{
    ctrl.SetRange(42, 42);
    ctrl.SetPos(42);
    EXPECT_EQ(ctrl.KnobOffset(), 0);
    EXPECT_EQ(ctrl.KnobRect().top, 1);
    ctrl.OnLButtonDown(15, 10);
    ctrl.OnMouseMove(150, kSmallBounds);
    EXPECT_EQ(ctrl.GetPos(), 42);
    ctrl.OnKeyDown(Key::PageDown);
    ctrl.OnKeyDown(Key::Up);
    EXPECT_EQ(ctrl.GetPos(), 42);
    EXPECT_EQ(site.scrolls, (std::vector<LONG>{42, 42}));
}

TEST_F(SmallTarvel, InvertedRangeIsAcceptedAndClamped)
{
    ctrl.SetRange(100, 0);
    EXPECT_EQ(ctrl.Span(), -100);
    ctrl.OnKeyDown(Key::Down);  // 51 > 0: clamps to RangeMax first
    EXPECT_EQ(ctrl.GetPos(), 0);
}

TEST_F(SmallTarvel, HugeMotionOnAWideRangeClamps)
{
    ctrl.SetRange(INT_MIN, INT_MAX);
    ctrl.SetPos(0);
    ctrl.OnLButtonDown(15, ctrl.KnobRect().top);
    ctrl.OnMouseMove(190, kSmallBounds);
    EXPECT_EQ(ctrl.GetPos(), INT_MAX);
    ctrl.OnMouseMove(100, kSmallBounds);
    EXPECT_EQ(ctrl.GetPos(), static_cast<LONG>(INT_MAX - (90LL * UINT_MAX) / 164));
    ctrl.OnMouseMove(0, kSmallBounds);
    EXPECT_EQ(ctrl.GetPos(), INT_MIN);
}

}  // namespace
