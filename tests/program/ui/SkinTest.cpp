#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <thread>

#include "program/ui/CLevelMeter.h"
#include "program/ui/CSkin.h"
#include "program/ui/CSplashWnd.h"
#include "program/ui/LevelMeterWidget.h"
#include "program/ui/ProgramImages.h"

namespace {

bool Spin(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

TEST(Skin, PaletteComesFromTheColourTableOrIsAHalftone)
{
    std::vector<QRgb> palette;
    ASSERT_TRUE(CSkin::BuildPalette(230, &palette));
    const QImage picture = ProgramBitmapImage(230);
    ASSERT_EQ(palette.size(), 256u);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(palette[std::size_t(i)], picture.colorTable()[i] | 0xFF000000u) << i;
    // A true-colour bitmap gets the halftone palette: every corner of the colour cube in it.
    ASSERT_TRUE(CSkin::BuildPalette(264, &palette));
    ASSERT_EQ(palette.size(), 256u);
    for (QRgb corner : {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 0, 255)})
        EXPECT_NE(std::find(palette.begin(), palette.end(), corner), palette.end());
    EXPECT_FALSE(CSkin::BuildPalette(231, &palette));
}

TEST(Skin, ColourCountFollowsTheOverride)
{
    const int screen = CSkin::ScreenColourCount();
    EXPECT_GT(screen, 16);
    CSkin::SetColourCountOverride(16);
    EXPECT_EQ(CSkin::ScreenColourCount(), 16);
    CSkin::SetColourCountOverride(0);
    EXPECT_EQ(CSkin::ScreenColourCount(), screen);
}

TEST(Skin, SchemeGivesCombosGreenOnBlackAndTheRestTheBackground)
{
    QWidget dialog;
    auto* combo = new QComboBox(&dialog);
    combo->setEditable(true);
    CSkin::ApplyScheme(&dialog, QColor(0x99, 0x99, 0xFF));
    EXPECT_EQ(dialog.palette().color(QPalette::Window), QColor(0x99, 0x99, 0xFF));
    EXPECT_EQ(dialog.palette().color(QPalette::WindowText), QColor(Qt::black));
    for (const QPalette& p : {combo->palette(), combo->view()->palette()}) {
        EXPECT_EQ(p.color(QPalette::Text), QColor(0x32, 0xC8, 0x32));
        EXPECT_EQ(p.color(QPalette::Base), QColor(Qt::black));
    }
}

// A meter on the screen, its lamps set from another thread as the driver does.
TEST(LevelMeterWindow, RepaintsOnlyTheLampsThatChanged)
{
    CLevelMeter meter;
    meter.SetSegments(18);
    auto widget = std::make_unique<LevelMeterWidget>(meter, nullptr);
    widget->resize(15, 206);
    widget->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
    ASSERT_TRUE(Spin([&] { return widget->GetPaintedLamps() >= 19; }));
    QTest::qWait(50);
    const int before = widget->GetPaintedLamps();
    std::thread([&meter] {
        meter.SetSegment(2, 1);
        meter.SetSegment(2, 1);
    }).join();
    ASSERT_TRUE(Spin([&] { return widget->GetPaintedLamps() > before; }));
    QTest::qWait(50);
    EXPECT_EQ(widget->GetPaintedLamps(), before + 1);
    // The lit lamp shows the lit picture: bright green inside its edge.
    const QImage shown = widget->grab().toImage();
    const CLevelMeter::Rect r = meter.GetSteps()[2].rect;
    EXPECT_EQ(shown.pixel(r.left + 5, r.top + 4) | 0xFF000000u, qRgb(0, 255, 0));
    EXPECT_EQ(shown.pixel(r.left + 5, r.top - 4) | 0xFF000000u, qRgb(0, 0x66, 0));
    // A meter whose window is gone takes lamp changes without calling it.
    widget.reset();
    meter.SetSegment(2, 0);
}

class Splash : public ::testing::Test {
protected:
    void TearDown() override
    {
        CSplashWnd::HideSplash();
        CSplashWnd::EnableSplash(false);
        QApplication::processEvents();
    }
};

TEST_F(Splash, ShownOnceCentredOnTopUntilItsTimerHidesIt)
{
    CSplashWnd::ShowSplash(nullptr);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);  // switched off
    CSplashWnd::EnableSplash(true);
    CSplashWnd::ShowSplash(nullptr);
    CSplashWnd* splash = CSplashWnd::Current();
    ASSERT_NE(splash, nullptr);
    CSplashWnd::ShowSplash(nullptr);
    EXPECT_EQ(CSplashWnd::Current(), splash);
    int splashes = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) splashes += qobject_cast<CSplashWnd*>(w) && w->isVisible();
    EXPECT_EQ(splashes, 1);
    EXPECT_EQ(splash->size(), QSize(333, 350));
    EXPECT_TRUE(splash->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(splash->windowTitle(), QStringLiteral("Splash Screen"));
    EXPECT_EQ(splash->geometry().center(), QGuiApplication::primaryScreen()->geometry().center());
    EXPECT_EQ(splash->GetPalette().size(), 256u);
    const QImage shown = splash->grab().toImage();
    EXPECT_EQ(shown.pixel(170, 300) | 0xFF000000u, ProgramBitmapImage(230).pixel(170, 300) | 0xFF000000u);
    QPointer<CSplashWnd> watched(splash);
    ASSERT_TRUE(Spin([&] { return CSplashWnd::Current() == nullptr && watched.isNull(); }, 10000));
    // Once it is gone another may be shown.
    CSplashWnd::ShowSplash(nullptr);
    EXPECT_NE(CSplashWnd::Current(), nullptr);
}

}  // namespace
