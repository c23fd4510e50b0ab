#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/help/WinHelp.h"
#include "program/audio/OutputDeviceList.h"
#include "program/ui/CSoundCardDlg.h"

namespace {

// Twelve virtual devices: "Virtual Output 1" .. "Virtual Output 12" with ids 0 .. 11, so the
// sorted box puts "Virtual Output 10" (id 9) second.
class SoundCardDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("CALYRIX_WAVEOUT", "virtual:12", 1);
        OutputDeviceList::Clear();
        ASSERT_EQ(OutputDeviceList::Enumerate(), 1);
        ASSERT_EQ(OutputDeviceList::GetCount(), 12);
    }
    void TearDown() override
    {
        CSoundCardDlg::SetModalScript(nullptr);
        OutputDeviceList::Clear();
        unsetenv("CALYRIX_WAVEOUT");
    }

    // Runs a dialog opened with listen and device, scripted by script; returns DoModal's result.
    int Run(CSoundCardDlg& dlg, int listen, int device, const CSoundCardDlg::ModalScript& script)
    {
        dlg.listen = listen;
        dlg.deviceIndex = device;
        CSoundCardDlg::SetModalScript(script);
        return dlg.DoModal();
    }
};

TEST_F(SoundCardDialog, OpensWithTemplateGeometrySortedDevicesAndTheStoredChoice)
{
    CSoundCardDlg dlg;
    std::vector<QString> names;
    std::vector<int> ids;
    Run(dlg, 1, 9, [&](CSoundCardDlg& d) {
        for (int i = 0; i < d.DeviceBox()->count(); ++i) {
            names.push_back(d.DeviceBox()->itemText(i));
            ids.push_back(d.DeviceBox()->itemData(i).toInt());
        }
        EXPECT_EQ(d.DeviceBox()->currentIndex(), 1);
        EXPECT_EQ(d.DeviceBox()->currentText(), QStringLiteral("Virtual Output 10"));
        EXPECT_TRUE(d.ListenBox()->isChecked());
    });
    ASSERT_EQ(names.size(), 12u);
    EXPECT_EQ(names[0], QStringLiteral("Virtual Output 1"));
    EXPECT_EQ(names[4], QStringLiteral("Virtual Output 2"));
    EXPECT_EQ(ids, (std::vector<int>{0, 9, 10, 11, 1, 2, 3, 4, 5, 6, 7, 8}));

    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Sound Card Configuration"));
    EXPECT_EQ(dlg.size(), QSize(297, 120));
    EXPECT_EQ(dlg.Button(IDOK)->geometry(), QRect(212, 11, 75, 23));
    EXPECT_EQ(dlg.Button(IDCANCEL)->geometry(), QRect(212, 39, 75, 23));
    EXPECT_EQ(dlg.Button(CSoundCardDlg::IdHelp)->geometry(), QRect(212, 67, 75, 23));
    EXPECT_EQ(dlg.ListenBox()->pos(), QPoint(11, 31));
    EXPECT_EQ(dlg.ListenBox()->height(), 16);
    EXPECT_GE(dlg.ListenBox()->width(), 122);
    EXPECT_GE(dlg.ListenBox()->width(), dlg.ListenBox()->sizeHint().width());  // its text is never cut
    EXPECT_LT(dlg.ListenBox()->geometry().right(), dlg.Button(IDOK)->x());
    EXPECT_EQ(dlg.DeviceBox()->pos(), QPoint(11, 62));
    EXPECT_EQ(dlg.DeviceBox()->width(), 192);
    EXPECT_EQ(dlg.ListenBox()->text(), QStringLiteral("Listen while embreling"));
    EXPECT_EQ(dlg.Button(IDCANCEL)->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(dlg.Button(CSoundCardDlg::IdHelp)->text(), QStringLiteral("Help"));
    EXPECT_TRUE(dlg.Button(IDOK)->isDefault());
    EXPECT_EQ(dlg.findChild<QComboBox*>(QStringLiteral("1053")), dlg.DeviceBox());
    EXPECT_EQ(dlg.findChild<QCheckBox*>(QStringLiteral("1110")), dlg.ListenBox());
}

TEST_F(SoundCardDialog, ChoosingADeviceTicksListeningAndOkHandsBothBack)
{
    CSoundCardDlg dlg;
    const int result = Run(dlg, 0, 0, [](CSoundCardDlg& d) {
        EXPECT_FALSE(d.ListenBox()->isChecked());
        d.ChooseDevice(1);  // "Virtual Output 10"
        EXPECT_TRUE(d.ListenBox()->isChecked());
        d.Button(IDOK)->click();
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.listen, 1);
    EXPECT_EQ(dlg.deviceIndex, 9);

    // The keyboard picks through the same path: Down moves to the next name.
    CSoundCardDlg keys;
    Run(keys, 0, 0, [](CSoundCardDlg& d) {
        QTest::keyClick(d.DeviceBox(), Qt::Key_Down);
        EXPECT_EQ(d.DeviceBox()->currentIndex(), 1);
        EXPECT_TRUE(d.ListenBox()->isChecked());
        d.Button(IDOK)->click();
    });
    EXPECT_EQ(keys.deviceIndex, 9);
    EXPECT_EQ(keys.listen, 1);
}

TEST_F(SoundCardDialog, UntickingKeepsTheDeviceButTurnsListeningOff)
{
    CSoundCardDlg dlg;
    Run(dlg, 1, 3, [](CSoundCardDlg& d) {
        d.ChooseDevice(0);  // "Virtual Output 1", id 0
        QTest::mouseClick(d.ListenBox(), Qt::LeftButton, {}, QPoint(5, d.ListenBox()->height() / 2));
        EXPECT_FALSE(d.ListenBox()->isChecked());
        d.Button(IDOK)->click();
    });
    EXPECT_EQ(dlg.listen, 0);
    EXPECT_EQ(dlg.deviceIndex, 0);
}

TEST_F(SoundCardDialog, CancelEscapeAndAnUnfinishedRunChangeNothing)
{
    const auto changeBoth = [](CSoundCardDlg& d) {
        d.ChooseDevice(5);
        d.ListenBox()->setChecked(false);
    };
    CSoundCardDlg cancelled;
    EXPECT_EQ(Run(cancelled, 1, 2, [&](CSoundCardDlg& d) {
                  changeBoth(d);
                  d.Button(IDCANCEL)->click();
              }),
              IDCANCEL);
    EXPECT_EQ(cancelled.listen, 1);
    EXPECT_EQ(cancelled.deviceIndex, 2);

    CSoundCardDlg escaped;
    EXPECT_EQ(Run(escaped, 0, 4, [&](CSoundCardDlg& d) {
                  changeBoth(d);
                  QTest::keyClick(&d, Qt::Key_Escape);
              }),
              IDCANCEL);
    EXPECT_EQ(escaped.listen, 0);
    EXPECT_EQ(escaped.deviceIndex, 4);

    CSoundCardDlg unfinished;
    EXPECT_EQ(Run(unfinished, 1, 2, changeBoth), IDCANCEL);
    EXPECT_EQ(unfinished.deviceIndex, 2);
}

TEST_F(SoundCardDialog, RealModalRunEndsWithTheButtonsResult)
{
    for (const int button : {IDOK, IDCANCEL}) {
        CSoundCardDlg dlg;
        dlg.listen = 0;
        dlg.deviceIndex = 0;
        QTimer::singleShot(0, &dlg, [&dlg, button] {
            dlg.ChooseDevice(2);
            dlg.Button(button)->click();
        });
        EXPECT_EQ(dlg.DoModal(), button);
        EXPECT_EQ(dlg.deviceIndex, button == IDOK ? 10 : 0);
    }
}

TEST_F(SoundCardDialog, AVanishedDeviceOrTypedTextSelectsNothing)
{
    CSoundCardDlg dlg;
    Run(dlg, 0, 40, [](CSoundCardDlg& d) {
        EXPECT_EQ(d.DeviceBox()->currentIndex(), -1);
        EXPECT_FALSE(d.ListenBox()->isChecked());
        // Even the exact name of a device, typed and entered, picks nothing.
        QLineEdit* edit = d.DeviceBox()->lineEdit();
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("Virtual Output 3"));
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(d.DeviceBox()->currentIndex(), -1);
        EXPECT_EQ(d.DeviceBox()->count(), 12);
        EXPECT_FALSE(d.ListenBox()->isChecked());
        d.Button(IDOK)->click();
    });
    EXPECT_EQ(dlg.deviceIndex, 40);
    EXPECT_EQ(dlg.listen, 0);
}

TEST_F(SoundCardDialog, ColoursFollowTheOpenersBackgroundWithGreenOnBlackBox)
{
    CSoundCardDlg dlg;
    dlg.backgroundColour = QColor(0xC0, 0xC0, 0xC0);
    Run(dlg, 1, 0, [](CSoundCardDlg&) {});
    EXPECT_EQ(dlg.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_TRUE(dlg.autoFillBackground());
    EXPECT_EQ(dlg.ListenBox()->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_FALSE(dlg.ListenBox()->autoFillBackground());
    for (QWidget* part : {static_cast<QWidget*>(dlg.DeviceBox()), static_cast<QWidget*>(dlg.DeviceBox()->lineEdit())}) {
        EXPECT_EQ(part->palette().color(QPalette::Base), QColor(Qt::black));
        EXPECT_EQ(part->palette().color(QPalette::Text), QColor(0x32, 0xC8, 0x32));
    }
}

TEST_F(SoundCardDialog, HelpOpensTheDialogsPageOfTheProgramsHelp)
{
    std::vector<std::string> opened;
    const HelpOpener previous = SetHelpOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    CSoundCardDlg dlg;
    dlg.SetHelpFile(EMBREL_HELP);
    Run(dlg, 1, 0, [](CSoundCardDlg& d) {
        d.Button(CSoundCardDlg::IdHelp)->click();
        QTest::keyClick(&d, Qt::Key_F1);
    });
    SetHelpOpener(previous);
    ASSERT_EQ(opened.size(), 2u);
    for (const std::string& url : opened) {
        EXPECT_EQ(url.rfind("file://", 0), 0u) << url;
        EXPECT_NE(url.find("/Embrel.hlp/2010d.html"), std::string::npos) << url;
    }
}

}  // namespace
