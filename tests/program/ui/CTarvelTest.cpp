#include "program/ui/CTarvel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <utility>
#include <vector>

#include "engine/ParameterTable.h"
#include "platform/com/Guid.h"
#include "slider/TarvelTypeLib.h"
#include "tests/slider/TestRegistry.h"

namespace {

using Event = std::pair<UINT, LONG>;

class CTarvelTest : public TestRegistry {
protected:
    void SetUp() override
    {
        TestRegistry::SetUp();
        ASSERT_EQ(RunRegsvr(TARVEL_MODULE), 0);
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        parent = std::make_unique<QWidget>();
        parent->resize(400, 300);
    }
    void TearDown() override
    {
        sliders.clear();
        parent.reset();
        CoUninitialize();
        TestRegistry::TearDown();
    }

    CTarvel& Add(UINT id, int x)
    {
        sliders.push_back(std::make_unique<CTarvel>());
        CTarvel& s = *sliders.back();
        EXPECT_TRUE(s.Create(nullptr, CTarvel::WS_VISIBLE, QRect(x, 10, 37, 204), parent.get(), id))
            << s.GetErrorText();
        s.SetScrollHandler([this](UINT c, LONG pos) { events.emplace_back(c, pos); });
        return s;
    }

    static void Key(QWidget* w, int key)
    {
        QKeyEvent ev(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &ev);
    }

    std::unique_ptr<QWidget> parent;
    std::vector<std::unique_ptr<CTarvel>> sliders;
    std::vector<Event> events;
};

TEST_F(CTarvelTest, RoutesScrollByControlId)
{
    const ParameterInfo& gain = ParameterTable::Get(ParameterId::Gain);
    const ParameterInfo& dyn = ParameterTable::Get(ParameterId::Dynamics);
    CTarvel& g = Add(1004, 10);
    CTarvel& d = Add(1097, 60);
    g.SetRange(gain.low, gain.high);
    g.SetPos(-1000);
    d.SetRange(dyn.low, dyn.high);
    d.SetPos(-250);
    EXPECT_FALSE(g.GetErrorFlag());
    EXPECT_EQ(g.GetPos(), -1000);
    EXPECT_EQ(d.GetPos(), -250);
    EXPECT_TRUE(events.empty());
    parent->show();

    Key(g.GetWindow(), Qt::Key_End);
    Key(d.GetWindow(), Qt::Key_Home);
    Key(d.GetWindow(), Qt::Key_Down);
    EXPECT_EQ(events, (std::vector<Event>{{1004, gain.high}, {1097, dyn.low}, {1097, dyn.low + 1}}));
    EXPECT_EQ(g.GetDlgCtrlID(), 1004u);
    EXPECT_TRUE(g.GetWindow()->isVisible());
}

TEST_F(CTarvelTest, FailsClearlyWhenTheClassIsNotRegistered)
{
    ASSERT_EQ(RunRegsvr(std::string("-u ") + TARVEL_MODULE), 0);
    CTarvel s;
    EXPECT_FALSE(s.Create(nullptr, CTarvel::WS_VISIBLE, QRect(0, 0, 37, 204), parent.get(), 1004));
    EXPECT_TRUE(s.GetErrorFlag());
    EXPECT_NE(std::string(s.GetErrorText()).find("not registered"), std::string::npos) << s.GetErrorText();
    EXPECT_EQ(s.GetWindow(), nullptr);
    s.SetPos(5);  // harmless without a control
    EXPECT_EQ(s.GetPos(), 0);

    // Registered, but the module has gone since.
    ASSERT_EQ(RunRegsvr(TARVEL_MODULE), 0);
    const std::string server = "CLSID\\" + GuidToString(CLSID_Tarvel) + "\\InprocServer32";
    ASSERT_TRUE(SUCCEEDED(RegSetKeyString(HKEY_CLASSES_ROOT, server, nullptr, dir_ + "/gone/TARVEL.OCX")));
    EXPECT_FALSE(s.Create(nullptr, CTarvel::WS_VISIBLE, QRect(0, 0, 37, 204), parent.get(), 1004));
    EXPECT_NE(std::string(s.GetErrorText()).find("module cannot be loaded"), std::string::npos) << s.GetErrorText();
}

TEST_F(CTarvelTest, DestroyingTheWrapperRemovesTheWindow)
{
    CTarvel& s = Add(1005, 10);
    QPointer<QWidget> w = s.GetWindow();
    ASSERT_FALSE(w.isNull());
    sliders.clear();
    EXPECT_TRUE(w.isNull());
}

TEST_F(CTarvelTest, HandlerMayDestroyTheSliderItIsCalledFrom)
{
    CTarvel& s = Add(1009, 10);
    QPointer<QWidget> w = s.GetWindow();
    parent->show();
    s.SetScrollHandler([this](UINT c, LONG pos) {
        events.emplace_back(c, pos);
        sliders.clear();
    });
    Key(w, Qt::Key_PageUp);
    EXPECT_EQ(events, (std::vector<Event>{{1009, 40}}));
    // The window still to be deleted keeps the module loaded.
    CoFreeUnusedLibrariesEx(0, 0);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
}

TEST_F(CTarvelTest, DemoScreenshotShowsSixFadersAtTheirDefaults)
{
    const std::string file = dir_ + "/shot.png";
    const std::string cmd = std::string(TARVEL_DEMO) + " --screenshot " + file + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const QImage img = QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(img.isNull());
    auto red = [&](int x, int y) {
        const QRgb c = img.pixel(x, y);
        return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
    };
    // Gain at x 69, y 97 (46 and 60 dialog units): -1000 in -2000..0 puts the knob at
    // offset 82, its red line 83 + 17 rows below the top.
    EXPECT_TRUE(red(69 + 19, 97 + 83 + 17));
    EXPECT_FALSE(red(69 + 19, 97 + 83 + 15));
    EXPECT_LT(qGray(img.pixel(69, 97 + 100)), 40);  // the track's dark edge
    // Limiter at x 355: -1000 is its minimum, so the knob sits at the top.
    EXPECT_TRUE(red(355 + 19, 97 + 1 + 17));
}

}  // namespace
