#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTest>

#include "MainDlgTestSupport.h"
#include "program/ui/CCalyrixApp.h"
#include "program/ui/CSoundCardDlg.h"
#include "program/ui/CTarvel.h"
#include "program/ui/MainDlgWidget.h"
#include "tests/slider/TestRegistry.h"

using namespace maindlgtest;

namespace {

// The window itself, over a registry with the fader module registered.
class Window : public TestRegistry {
protected:
    void SetUp() override
    {
        TestRegistry::SetUp();
        ASSERT_EQ(RunRegsvr(TARVEL_MODULE), 0);
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        setenv("TMPDIR", (files.path + "/").c_str(), 1);
        setenv("CALYRIX_WAVEOUT", "virtual:1,speed=1", 1);
        setenv("XDG_DATA_HOME", (files.path + "/data").c_str(), 1);
        window = std::make_unique<MainDlgWidget>(messageBox, fileDialog);
        ASSERT_TRUE(window->Create()) << window->GetErrorText();
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        OutputDeviceList::Clear();
        CoUninitialize();
        unsetenv("CALYRIX_WAVEOUT");
        unsetenv("TMPDIR");
        unsetenv("XDG_DATA_HOME");
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

    void ChooseFiles(std::size_t frames)
    {
        wavtest::Spec spec;
        spec.data = wavtest::Ramp(frames * 4);
        wavtest::WriteFile(files.File("in.wav"), wavtest::Build(spec));
        fileDialog.answers = {files.File("in.wav"), files.File("out.wav")};
        QTest::mouseClick(window->Control(IDC_BROWSE_INPUT), Qt::LeftButton);
        QTest::mouseClick(window->Control(IDC_BROWSE_OUTPUT), Qt::LeftButton);
    }

    wavtest::TempDir files;
    ScriptedMessageBox messageBox;
    ScriptedFileDialog fileDialog;
    std::unique_ptr<MainDlgWidget> window;
};

TEST_F(Window, HasTheDesignedSizeAndPlacesControlsByDialogUnits)
{
    EXPECT_EQ(window->size(), QSize(632, 353));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->Control(IDC_START)->geometry(), QRect(500, 283, 29, 28));
    EXPECT_EQ(window->Control(IDC_GAIN)->geometry(), QRect(69, 98, 38, 205));
    EXPECT_EQ(window->Control(IDC_PROGRESS)->geometry(), QRect(465, 317, 134, 16));
    EXPECT_EQ(window->Control(IDC_CLOSE)->geometry(), QRect(602, 0, 30, 33));
    EXPECT_FALSE(window->Control(IDC_DEFAULT)->isVisible());
    EXPECT_FALSE(window->Control(IDC_STOP)->isEnabled());
    EXPECT_TRUE(static_cast<QAbstractButton*>(window->Control(IDC_TUBE))->isChecked());
    EXPECT_EQ(window->Control(IDC_START)->toolTip(), QStringLiteral("Embrel the input sound"));
    EXPECT_EQ(static_cast<QLabel*>(window->Control(IDC_GAIN_TEXT))->text(),
              QString::fromLatin1(SaturationEngine().GetGainText()));
}

TEST_F(Window, FaderMovesReachTheEngineAndTheLevelText)
{
    QWidget* gain = window->Control(IDC_GAIN);
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QApplication::sendEvent(gain, &end);
    CMainDlg& d = window->Dialog();
    EXPECT_EQ(d.Engine().GetGain(), window->Fader(IDC_GAIN)->GetPos());
    EXPECT_NE(d.Engine().GetGain(), SaturationEngine().GetGain());
    EXPECT_EQ(static_cast<QLabel*>(window->Control(IDC_GAIN_TEXT))->text(),
              QString::fromLatin1(d.Engine().GetGainText()));
}

TEST_F(Window, RunMessagesArriveThroughTheEventLoop)
{
    ChooseFiles(20000);
    messageBox.answers = {IDYES};
    int progressSeen = 0;
    messageBox.onShow = [&](const Shown&) {
        progressSeen = static_cast<QProgressBar*>(window->Control(IDC_PROGRESS))->value();
    };
    setenv("CALYRIX_WAVEOUT", "none", 1);
    QTest::mouseClick(window->Control(IDC_START), Qt::LeftButton);
    EXPECT_FALSE(window->Control(IDC_START)->isEnabled());
    ASSERT_TRUE(Spin([&] { return !messageBox.shown.empty(); }));
    EXPECT_EQ(messageBox.shown[0].caption, "Save Results?");
    EXPECT_EQ(progressSeen, 100);
    ASSERT_TRUE(Spin([&] { return window->Control(IDC_START)->isEnabled(); }));
    EXPECT_EQ(static_cast<QProgressBar*>(window->Control(IDC_PROGRESS))->value(), 0);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(files.File("out.wav"))));
}

TEST_F(Window, EscapeDuringARunStopsItAndEndsTheWindow)
{
    ChooseFiles(441000);
    QTest::mouseClick(window->Control(IDC_START), Qt::LeftButton);
    ASSERT_TRUE(Spin([&] { return window->Dialog().GetProgress() > 0; }));
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->HasEnded());
    EXPECT_FALSE(window->Dialog().IsRunning());
    EXPECT_TRUE(messageBox.shown.empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(window->Dialog().GetTemporaryPath())));
}

TEST_F(Window, ToolTipsFollowTheMenuSwitch)
{
    window->Dialog().OnCommand(ID_TOOL_TIPS);
    EXPECT_TRUE(window->Control(IDC_START)->toolTip().isEmpty());
    QTest::mouseClick(window->Control(IDC_QUESTION), Qt::LeftButton);
    EXPECT_TRUE(window->QuestionMenu()->isVisible());
    const QList<QAction*> actions = window->QuestionMenu()->actions();
    ASSERT_EQ(actions.size(), 5);
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Tool Tips"));
    EXPECT_FALSE(actions[1]->isChecked());
    EXPECT_TRUE(actions[2]->isChecked());
    window->QuestionMenu()->close();
    actions[1]->trigger();
    EXPECT_EQ(window->Control(IDC_STOP)->toolTip(), QStringLiteral("Stop embreling"));
}

TEST_F(Window, TheFreeSurfaceDragsTheWindowAndAFaderDoesNot)
{
    const QPoint start = window->pos();
    QWidget* label = window->Control(IDC_GAIN_LABEL);
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(25, 15), label->mapToGlobal(QPointF(25, 15)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(label, &move);
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(25, 15));
    EXPECT_EQ(window->pos(), start + QPoint(20, 10));

    // The fader lets presses beside its knob through to the window: still no drag.
    const QPoint moved = window->pos();
    QWidget* fader = window->Control(IDC_MIX);
    const QPoint beside(fader->width() / 2, fader->height() - 10);
    QTest::mousePress(fader, Qt::LeftButton, {}, beside);
    QMouseEvent pull(QEvent::MouseMove, QPointF(beside + QPoint(20, 20)), fader->mapToGlobal(QPointF(beside + QPoint(20, 20))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(fader, &pull);
    QTest::mouseRelease(fader, Qt::LeftButton, {}, beside + QPoint(20, 20));
    EXPECT_EQ(window->pos(), moved);
}

TEST_F(Window, ANameTypedInThePresetBoxIsStoredByEnterAndAppliedWhenChosen)
{
    auto* box = static_cast<QComboBox*>(window->Control(IDC_PRESET));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    box->setFocus();
    QTest::keyClicks(box->lineEdit(), QStringLiteral("Warm"));
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(messageBox.shown.empty());
    ASSERT_EQ(box->count(), 1);
    EXPECT_EQ(box->itemText(0), QStringLiteral("Warm"));
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_EQ(window->Dialog().GetPresetName(), "Warm");
    box->setFocus();
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), QStringLiteral("Wa"));  // not completed to "Warm"
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(0), QStringLiteral("Wa"));
    EXPECT_EQ(box->currentIndex(), 0);

    CMainDlg& d = window->Dialog();
    const LONG stored = window->Fader(IDC_GAIN)->GetPos();
    d.OnScroll(IDC_GAIN, -1500);
    emit box->activated(1);
    EXPECT_EQ(window->Fader(IDC_GAIN)->GetPos(), stored);
    EXPECT_EQ(d.Engine().GetGain(), stored);
}

TEST_F(Window, LeavingThePresetBoxForAnotherControlOffersTheTypedName)
{
    auto* box = static_cast<QComboBox*>(window->Control(IDC_PRESET));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    box->setFocus();
    QTest::keyClicks(box->lineEdit(), QStringLiteral("Fresh"));
    window->Control(IDC_ADD_PRESET)->setFocus();  // on the way to the add button: no question
    QApplication::processEvents();
    EXPECT_TRUE(messageBox.shown.empty());
    box->setFocus();
    messageBox.answers = {IDYES};
    window->Control(IDC_TUBE)->setFocus();
    ASSERT_TRUE(Spin([this] { return !messageBox.shown.empty(); }));
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].text.rfind("You have changed the current preset name.\n", 0), 0u);
    ASSERT_EQ(box->count(), 1);
    EXPECT_EQ(box->itemText(0), QStringLiteral("Fresh"));
    EXPECT_EQ(box->currentText(), QStringLiteral("Fresh"));
}

}  // namespace

namespace {

using Unregistered = TestRegistry;

TEST_F(Unregistered, WithoutTheFaderModuleTheWindowSaysHowToRegisterIt)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ScriptedMessageBox messageBox;
    ScriptedFileDialog fileDialog;
    {
        MainDlgWidget window(messageBox, fileDialog);
        EXPECT_FALSE(window.Create());
        EXPECT_FALSE(window.GetErrorText().empty());
    }
    const std::string hint = CCalyrixApp::RegisterHint("/opt/calyrix/Embrel");
    EXPECT_NE(hint.find("regsvr /opt/calyrix/TARVEL.OCX"), std::string::npos);
    EXPECT_NE(hint.find(registry_), std::string::npos);
    CoUninitialize();
}

}  // namespace

namespace {

TEST_F(Window, TheSoundCardButtonOpensTheDialogAndTakesOverAConfirmedChoice)
{
    setenv("CALYRIX_WAVEOUT", "virtual:2", 1);
    CMainDlg& d = window->Dialog();
    int offeredListen = -1, offeredDevice = -1;
    CSoundCardDlg::ModalScript previous = CSoundCardDlg::SetModalScript([&](CSoundCardDlg& dialog) {
        offeredListen = dialog.listen;
        offeredDevice = dialog.deviceIndex;
        dialog.ListenBox()->setChecked(false);  // and then cancelled
    });
    QTest::mouseClick(window->Control(IDC_SOUNDCARD), Qt::LeftButton);
    EXPECT_EQ(offeredListen, 1);
    EXPECT_EQ(offeredDevice, 0);
    EXPECT_EQ(d.GetListenFlag(), 1);

    CSoundCardDlg::SetModalScript([](CSoundCardDlg& dialog) {
        dialog.ListenBox()->setChecked(false);
        dialog.Button(IDOK)->click();
    });
    QTest::mouseClick(window->Control(IDC_SOUNDCARD), Qt::LeftButton);
    CSoundCardDlg::SetModalScript(previous);
    EXPECT_EQ(d.GetListenFlag(), 0);
    EXPECT_EQ(d.Player().GetDeviceId(), 0);
}

}  // namespace
