#include "slider/TarvelWidget.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "slider/TarvelResources.h"

namespace {

using Rect = CTarvelCtrl::Rect;

class TarvelWidgetTest : public ::testing::Test {
protected:
    TarvelWidgetTest()
    {
        widget = std::make_unique<TarvelWidget>();
        widget->resize(37, 204);
        widget->show();
        spy = std::make_unique<QSignalSpy>(widget.get(), &TarvelWidget::Scroll);
    }

    void Send(QEvent::Type type, int x, int y, Qt::MouseButtons buttons)
    {
        const QPointF local(x, y);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent ev(type, local, widget->mapToGlobal(local), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(widget.get(), &ev);
    }
    void Press(int x, int y) { Send(QEvent::MouseButtonPress, x, y, Qt::LeftButton); }
    void Drag(int y) { Send(QEvent::MouseMove, 15, y, Qt::LeftButton); }
    void Release(int y) { Send(QEvent::MouseButtonRelease, 15, y, Qt::NoButton); }

    std::vector<int> Scrolls() const
    {
        std::vector<int> out;
        for (const auto& args : *spy) out.push_back(args.at(0).toInt());
        return out;
    }

    QImage Render() { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    std::unique_ptr<TarvelWidget> widget;
    std::unique_ptr<QSignalSpy> spy;
};

bool IsRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }

TEST_F(TarvelWidgetTest, CreatesWithDefaultsAndTheSmallSmoothSet)
{
    EXPECT_EQ(widget->TrackBitmapId(), TarvelRes::IDB_TRACK_SMALL_SMOOTH);
    EXPECT_EQ(widget->KnobBitmapId(), TarvelRes::IDB_KNOB_SMALL);
    EXPECT_EQ(widget->sizeHint(), QSize(37, 204));
    const CTarvelCtrl& c = widget->Logic();
    EXPECT_EQ(c.GetRangeMin(), 0);
    EXPECT_EQ(c.GetRangeMax(), 100);
    EXPECT_EQ(c.GetPos(), 50);
    EXPECT_EQ(c.PageStep(), 10);
    EXPECT_EQ(c.KnobRect(), (Rect{11, 83, 27, 119}));
}

TEST_F(TarvelWidgetTest, LargeFontOfTheParentSelectsTheLargeSet)
{
    QWidget parent;
    QFont big = parent.font();
    big.setPixelSize(26);
    parent.setFont(big);
    TarvelWidget large(&parent);
    EXPECT_TRUE(large.LargeFont());
    EXPECT_EQ(large.TrackBitmapId(), TarvelRes::IDB_TRACK_LARGE_SMOOTH);
    EXPECT_EQ(large.KnobBitmapId(), TarvelRes::IDB_KNOB_LARGE);
    EXPECT_EQ(large.Logic().KnobRect(), (Rect{14, 103, 34, 148}));
}

TEST_F(TarvelWidgetTest, DrawsKnobWhereTheLogicPutsIt)
{
    QImage img = Render();
    EXPECT_TRUE(IsRed(img.pixel(19, 83 + 17)));
    EXPECT_TRUE(IsRed(img.pixel(19, 83 + 18)));
    EXPECT_FALSE(IsRed(img.pixel(19, 83 + 16)));
    EXPECT_LT(qGray(img.pixel(0, 150)), 40);  // the track's dark edge

    widget->Logic().SetPos(0);
    img = Render();
    EXPECT_TRUE(IsRed(img.pixel(19, 1 + 17)));
    EXPECT_FALSE(IsRed(img.pixel(19, 83 + 17)));
    EXPECT_TRUE(spy->isEmpty());
}

TEST_F(TarvelWidgetTest, DesignModeFillsInsteadOfDrawing)
{
    widget->resize(60, 260);
    widget->SetUserMode(false);
    const QImage img = Render();
    EXPECT_EQ(img.pixel(19, 101), qRgb(200, 50, 50));
    EXPECT_EQ(img.pixel(37, 204), qRgb(200, 50, 50));  // 38 x 205
    EXPECT_NE(img.pixel(38, 100), qRgb(200, 50, 50));
    EXPECT_NE(img.pixel(10, 205), qRgb(200, 50, 50));
}

TEST_F(TarvelWidgetTest, KeysFireScrollSynchronously)
{
    QTest::keyClick(widget.get(), Qt::Key_Home);
    EXPECT_EQ(Scrolls(), (std::vector<int>{0}));
    QTest::keyClick(widget.get(), Qt::Key_Home);
    QTest::keyClick(widget.get(), Qt::Key_End);
    QTest::keyClick(widget.get(), Qt::Key_End);
    widget->Logic().SetPos(95);
    QTest::keyClick(widget.get(), Qt::Key_PageDown);
    QTest::keyClick(widget.get(), Qt::Key_Up);
    EXPECT_EQ(Scrolls(), (std::vector<int>{0, 0, 100, 100, 100, 99}));
}

TEST_F(TarvelWidgetTest, OtherKeysAreIgnored)
{
    const Rect before = widget->Logic().KnobRect();
    for (auto key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Space, Qt::Key_A, Qt::Key_Return})
        QTest::keyClick(widget.get(), key);
    EXPECT_TRUE(spy->isEmpty());
    EXPECT_EQ(widget->Logic().GetPos(), 50);
    EXPECT_EQ(widget->Logic().KnobRect(), before);
}

TEST_F(TarvelWidgetTest, DragMovesInWholeUnits)
{
    Press(15, 100);
    Drag(101);
    EXPECT_TRUE(spy->isEmpty());
    Drag(102);
    EXPECT_EQ(Scrolls(), (std::vector<int>{51}));
    EXPECT_EQ(widget->Logic().GetPos(), 51);
    Release(102);
    Drag(150);
    EXPECT_EQ(Scrolls().size(), 1u);
    EXPECT_FALSE(widget->HasMouseCapture());
}

TEST_F(TarvelWidgetTest, DragPastTheEndsClampsAndStops)
{
    Press(15, 100);
    Drag(190);  // +54.8 units, clamped
    Drag(194);  // +2.4, still at the maximum
    Drag(-5);   // above the control: the knob stays
    Drag(199);  // in its lowest ten pixels: still
    Drag(180);  // -11.6 from where it was last seen
    EXPECT_EQ(Scrolls(), (std::vector<int>{100, 100, 89}));
    Release(180);
}

TEST_F(TarvelWidgetTest, PressOutsideTheKnobAndFocusLoss)
{
    Press(15, 20);
    Drag(120);
    Release(120);
    EXPECT_TRUE(spy->isEmpty());
    EXPECT_EQ(widget->Logic().GetPos(), 50);

    Press(15, 100);
    EXPECT_TRUE(widget->Logic().Dragging());
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(widget.get(), &out);
    EXPECT_FALSE(widget->Logic().Dragging());
    EXPECT_FALSE(widget->HasMouseCapture());
}

TEST_F(TarvelWidgetTest, OpenHandOverTheKnobOnly)
{
    Send(QEvent::MouseMove, 15, 100, Qt::NoButton);
    EXPECT_EQ(widget->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(widget->cursor().hotSpot(), QPoint(0, 0));
    Send(QEvent::MouseMove, 27, 100, Qt::NoButton);  // right edge is outside
    EXPECT_EQ(widget->cursor().shape(), Qt::ArrowCursor);

    // During a drag the hand stays while the pointer runs ahead of the knob.
    Send(QEvent::MouseMove, 15, 100, Qt::NoButton);
    Press(15, 100);
    Send(QEvent::MouseMove, 30, 190, Qt::LeftButton);
    EXPECT_EQ(widget->cursor().shape(), Qt::BitmapCursor);
    Send(QEvent::MouseButtonRelease, 30, 190, Qt::NoButton);
    EXPECT_EQ(widget->cursor().shape(), Qt::ArrowCursor);
}

// The committed images: sizes and the rows the geometry relies on.
TEST(TarvelImages, TracksHaveEdgeSlotAndTicksAtTheirRows)
{
    struct Case {
        int id;
        QSize size;
        std::array<int, 11> ticks;
    };
    const std::array<int, 11> small{19, 35, 52, 68, 85, 101, 117, 134, 150, 167, 183};
    const std::array<int, 11> large{24, 44, 65, 85, 106, 126, 146, 167, 187, 208, 228};
    for (const Case& c : {Case{207, {37, 204}, small}, Case{215, {37, 204}, small},
                          Case{212, {46, 254}, large}, Case{214, {46, 254}, large}}) {
        SCOPED_TRACE(c.id);
        const QImage img = TarvelWidget::LoadBitmap(c.id).toImage();
        ASSERT_EQ(img.size(), c.size);
        const int mid = img.width() / 2;
        for (int y = 0; y < img.height(); ++y) ASSERT_LT(qGray(img.pixel(0, y)), 40) << y;
        EXPECT_LT(qGray(img.pixel(mid, img.height() / 2)), 60);  // slot
        EXPECT_GT(qGray(img.pixel(4, img.height() / 2)), 90);    // face
        // Ticks: dark on their row on both sides of the slot, not on the rows around them.
        int tickRows = 0;
        for (int y = 2; y < img.height() - 2; ++y) {
            const bool dark = qGray(img.pixel(mid - 6, y)) < 60 && qGray(img.pixel(mid + 8, y)) < 60;
            if (dark) {
                ++tickRows;
                EXPECT_NE(std::find(c.ticks.begin(), c.ticks.end(), y), c.ticks.end()) << y;
            }
        }
        EXPECT_EQ(tickRows, 11);
    }
}

TEST(TarvelImages, KnobsCursorToolboxAndLogo)
{
    auto redRows = [](const QImage& img) {
        std::vector<int> rows;
        for (int y = 0; y < img.height(); ++y)
            if (IsRed(img.pixel(img.width() / 2, y))) rows.push_back(y);
        return rows;
    };
    const QImage small = TarvelWidget::LoadBitmap(208).toImage();
    EXPECT_EQ(small.size(), QSize(16, 36));
    EXPECT_EQ(redRows(small), (std::vector<int>{17, 18}));
    const QImage large = TarvelWidget::LoadBitmap(213).toImage();
    EXPECT_EQ(large.size(), QSize(20, 45));
    EXPECT_EQ(redRows(large), (std::vector<int>{21, 22, 23}));

    const QImage cursor = TarvelWidget::LoadBitmap(209).toImage();
    EXPECT_EQ(cursor.size(), QSize(32, 32));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb p = cursor.pixel(x, y);
            ASSERT_TRUE(qAlpha(p) == 0 || p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255)) << x << "," << y;
        }

    EXPECT_EQ(TarvelWidget::LoadBitmap(1).size(), QSize(16, 15));
    const QImage logo = TarvelWidget::LoadBitmap(211).toImage();
    EXPECT_EQ(logo.size(), QSize(87, 20));
    EXPECT_LE(logo.colorCount(), 2);
    EXPECT_TRUE(TarvelWidget::LoadBitmap(210).isNull());
}

}  // namespace
