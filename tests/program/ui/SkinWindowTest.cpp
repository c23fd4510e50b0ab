#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include "MainDlgTestSupport.h"
#include "platform/base/DialogUnits.h"
#include "program/ui/CAboutDlg.h"
#include "program/ui/CSkin.h"
#include "program/ui/MainDlgWidget.h"
#include "program/ui/ProgramImages.h"
#include "tests/slider/TestRegistry.h"

using namespace maindlgtest;

namespace {

class SkinWindow : public TestRegistry {
protected:
    void SetUp() override
    {
        TestRegistry::SetUp();
        ASSERT_EQ(RunRegsvr(TARVEL_MODULE), 0);
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        setenv("TMPDIR", (files.path + "/").c_str(), 1);
        setenv("CALYRIX_WAVEOUT", "virtual:1,speed=1", 1);
    }
    void Open()
    {
        window = std::make_unique<MainDlgWidget>(messageBox, fileDialog);
        ASSERT_TRUE(window->Create()) << window->GetErrorText();
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        CSkin::SetColourCountOverride(0);
        OutputDeviceList::Clear();
        CoUninitialize();
        unsetenv("CALYRIX_WAVEOUT");
        unsetenv("TMPDIR");
        TestRegistry::TearDown();
    }
    bool Spin(const std::function<bool()>& done)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > 10000) return false;
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }
    QAction* AboutItem(QMenu* menu)
    {
        for (QAction* action : menu->actions())
            if (action->data().toInt() == ID_APP_ABOUT) return action;
        return nullptr;
    }

    wavtest::TempDir files;
    ScriptedMessageBox messageBox;
    ScriptedFileDialog fileDialog;
    std::unique_ptr<MainDlgWidget> window;
};

TEST_F(SkinWindow, AboutOpensTheSameFromBothMenusAndGivesTheFocusBack)
{
    Open();
    const std::pair<QMenu*, const char*> menus[] = {{window->SystemMenu(), "&About Calyrix..."},
                                                    {window->QuestionMenu(), "About Calyrix..."}};
    for (const auto& [menu, text] : menus) {
        QAction* item = AboutItem(menu);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(), QString::fromLatin1(text));
        const int focusCount = window->Dialog().GetFocusCount();
        QString caption, version, maker;
        QSize size, logo, emblem;
        QTimer::singleShot(0, [&] {
            auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(about, nullptr);
            caption = about->windowTitle();
            size = about->size();
            version = static_cast<QLabel*>(about->Control(1202))->text();
            maker = static_cast<QLabel*>(about->Control(1204))->text();
            logo = static_cast<QLabel*>(about->Control(1092))->pixmap().size();
            emblem = static_cast<QLabel*>(about->Control(1093))->pixmap().size();
            EXPECT_EQ(about->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
            static_cast<QAbstractButton*>(about->Control(1))->click();
        });
        item->trigger();
        EXPECT_EQ(caption, QStringLiteral("About Calyrix"));
        EXPECT_EQ(size, QSize(DialogUnitsToPixelsX(221), DialogUnitsToPixelsY(204)));
        EXPECT_EQ(version, QStringLiteral("Calyrix Version 1.01"));
        EXPECT_EQ(maker, QStringLiteral("Quorel"));
        EXPECT_EQ(logo, QSize(183, 69));
        EXPECT_EQ(emblem, QSize(100, 48));
        EXPECT_GT(window->Dialog().GetFocusCount(), focusCount);
        EXPECT_EQ(window->Dialog().GetFocusId(), IDC_DEFAULT);
    }
}

TEST_F(SkinWindow, SixteenColoursGiveALightGreyGroundAndTheSixteenColourLogo)
{
    CSkin::SetColourCountOverride(16);
    Open();
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(window->Dialog().Control(IDC_LOGO).image, IDB_LOGO_16);
    const QImage logo = static_cast<QLabel*>(window->Control(IDC_LOGO))->pixmap().toImage();
    EXPECT_EQ(logo.pixel(0, 0) | 0xFF000000u, ProgramBitmap(IDB_LOGO_16).toImage().pixel(0, 0) | 0xFF000000u);
    // A colour change to a richer screen chooses again.
    CSkin::SetColourCountOverride(256);
    QEvent change(QEvent::ApplicationPaletteChange);
    QApplication::sendEvent(window.get(), &change);
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(0x99, 0x99, 0xFF));
    EXPECT_EQ(window->Dialog().Control(IDC_LOGO).image, IDB_LOGO);
    EXPECT_EQ(window->GetPalette().size(), 256u);
}

// A clipped file: the input meter's bar fills and its clip lamp lights while the sound plays;
// the meters stop ticking while the window is minimised.
TEST_F(SkinWindow, MetersFollowARunAndPauseWhileMinimised)
{
    Open();
    CMeterDriver& driver = window->Dialog().MeterDriver();
    EXPECT_TRUE(driver.IsRunning());
    wavtest::Spec spec;
    spec.channels = 1;
    for (int i = 0; i < 44100; ++i) {
        const int v = (i / 50) % 2 ? 32767 : -32768;
        spec.data.push_back(std::uint8_t(v & 0xFF));
        spec.data.push_back(std::uint8_t((v >> 8) & 0xFF));
    }
    wavtest::WriteFile(files.File("loud.wav"), wavtest::Build(spec));
    fileDialog.answers = {files.File("loud.wav"), files.File("out.wav")};
    window->Dialog().OnCommand(IDC_BROWSE_INPUT);
    window->Dialog().OnCommand(IDC_BROWSE_OUTPUT);
    messageBox.answers = {IDNO};
    CLevelMeter& input = window->Dialog().Meter(IDC_INPUT_METER);
    window->Dialog().OnCommand(IDC_START);
    ASSERT_TRUE(Spin([&] { return input.IsLit(18) && input.IsLit(17); }));
    ASSERT_TRUE(Spin([&] { return !messageBox.shown.empty(); }));
    ASSERT_TRUE(Spin([&] { return !input.IsLit(0) && !input.IsLit(18); }));
    window->showMinimized();
    QApplication::processEvents();
    EXPECT_FALSE(driver.IsRunning());
    window->showNormal();
    QApplication::processEvents();
    EXPECT_TRUE(driver.IsRunning());
}

}  // namespace
