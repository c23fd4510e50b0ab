#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <thread>

#include "filter/CSaturationPage.h"
#include "filter/SaturationPageResources.h"
#include "filter/page/PageDialogView.h"
#include "platform/help/WinHelp.h"
#include "tests/filter/FilterTestSupport.h"

namespace ids = SaturationPageIds;

namespace {

// The page activated inside a host widget, drawn by Qt.
struct QtPage {
    FilterGraphFixture g{MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(std::vector<int>(4096))), false};
    QWidget host;
    CSaturationPage* page = nullptr;
    PageDialogWidget* widget = nullptr;

    QtPage()
    {
        HRESULT hr = S_OK;
        page = static_cast<CSaturationPage*>(CSaturationPage::CreateInstance(nullptr, &hr));
        page->NonDelegatingAddRef();
        page->SetViewFactory(&PageDialogView::Create);
        host.resize(400, 360);
        host.move(600, 400);
        host.show();
        IUnknown* objects[] = {g.filter->GetOwner()};
        EXPECT_EQ(page->SetObjects(1, objects), S_OK);
        const RECT where{10, 12, 376, 347};
        EXPECT_EQ(page->Activate(WidgetHandle(&host), &where, FALSE), S_OK);
        widget = host.findChild<PageDialogWidget*>();
    }
    ~QtPage() { page->Release(); }

    template <typename T>
    T* Control(int id)
    {
        return qobject_cast<T*>(widget->ControlWidget(id));
    }
};

} // namespace

TEST(PageView, DrawsTheDialogInsideTheHostsWidget)
{
    QtPage p;
    ASSERT_NE(p.widget, nullptr);
    EXPECT_TRUE(p.widget->isVisible());
    EXPECT_EQ(p.widget->geometry(), QRect(10, 12, 366, 335));
    QSlider* gain = p.Control<QSlider>(ids::GainTrackbar);
    ASSERT_NE(gain, nullptr);
    EXPECT_EQ(gain->orientation(), Qt::Vertical);
    EXPECT_TRUE(gain->invertedAppearance());
    EXPECT_EQ(gain->minimum(), -2000);
    EXPECT_EQ(gain->maximum(), 0);
    EXPECT_EQ(gain->tickInterval(), 200);
    EXPECT_EQ(gain->pageStep(), 200);
    EXPECT_EQ(gain->value(), -1000);
    EXPECT_EQ(gain->geometry(), QRect(17, 76, 45, 205));  // 11, 47, 30, 126 dialog units
    EXPECT_EQ(p.Control<QLabel>(ids::LimiterReadout)->text(), "0.0 dB");
    EXPECT_EQ(p.Control<QLabel>(ids::GainLabel)->font().family(),
              PageDialogWidget::LabelFamily("Franklin Gothic Medium Cond"));
    EXPECT_FALSE(p.Control<QLabel>(ids::Banner)->pixmap().isNull());
    EXPECT_EQ(p.Control<QLabel>(ids::Banner)->pixmap().width(), 290);
    QPushButton* tube = p.Control<QPushButton>(ids::TubeButton);
    EXPECT_TRUE(tube->isChecked());
    EXPECT_FALSE(tube->icon().isNull());
    EXPECT_FALSE(p.widget->ControlWidget(ids::FocusButton)->isVisible());
    int blinking = 0;
    for (QTimer* timer : p.widget->findChildren<QTimer*>())
        blinking += timer->isActive() && timer->interval() == 600;
    EXPECT_EQ(blinking, 1);
    for (int id = 108; id <= 111; ++id)
        EXPECT_EQ(PageDialogWidget::Image(id).size(), QSize(32, 32)) << id;
    EXPECT_EQ(PageDialogWidget::Image(107).size(), QSize(284, 24));

    EXPECT_EQ(p.page->Show(SW_HIDE), S_OK);
    EXPECT_FALSE(p.widget->isVisible());
    EXPECT_EQ(p.page->Deactivate(), S_OK);
    EXPECT_EQ(p.host.findChild<PageDialogWidget*>(), nullptr);
}

TEST(PageView, UserInputReachesTheFilter)
{
    QtPage p;
    QPushButton* tube = p.Control<QPushButton>(ids::TubeButton);
    QTest::mouseClick(tube, Qt::LeftButton);
    int value = -1;
    p.g.Settings()->get_Tube(&value);
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(tube->isChecked());
    QTest::mouseClick(p.Control<QPushButton>(ids::DitherButton), Qt::LeftButton);
    p.g.Settings()->get_Dither(&value);
    EXPECT_EQ(value, 0);

    QSlider* gain = p.Control<QSlider>(ids::GainTrackbar);
    gain->triggerAction(QAbstractSlider::SliderToMaximum);
    p.g.Settings()->get_Gain(&value);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(p.Control<QLabel>(ids::GainReadout)->text(), "-Inf dB");
    QSlider* limiter = p.Control<QSlider>(ids::LimiterTrackbar);
    limiter->setFocus();
    QTest::keyClick(limiter, Qt::Key_PageDown);
    p.g.Settings()->get_Limiter(&value);
    EXPECT_EQ(value, -925);
}

TEST(PageView, FormatNotificationFromAnotherThreadMovesTheTrackbars)
{
    QtPage p;
    std::thread other([&] {
        p.g.Settings()->put_Knee(-3000);
        p.g.filter->Settings().Notify(0);
    });
    other.join();
    QSlider* knee = p.Control<QSlider>(ids::KneeTrackbar);
    for (int i = 0; i < 100 && knee->value() != -3000; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(knee->value(), -3000);
}

TEST(PageView, F1AsksForHelpOnTheControlUnderTheMouseOrWithTheFocus)
{
    std::vector<std::string> opened;
    HelpOpener previous = SetHelpOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    {
        QtPage p;
        QCursor::setPos(0, 0);
        QSlider* knee = p.Control<QSlider>(ids::KneeTrackbar);
        p.host.activateWindow();
        knee->setFocus();
        QTest::keyClick(knee, Qt::Key_F1);
        // The control under the mouse goes before the focused one; the banner has no topic.
        QWidget* dither = p.widget->ControlWidget(ids::DitherButton);
        QCursor::setPos(dither->mapToGlobal(dither->rect().center()));
        QTest::keyClick(knee, Qt::Key_F1);
        QWidget* banner = p.widget->ControlWidget(ids::Banner);
        QCursor::setPos(banner->mapToGlobal(banner->rect().center()));
        QTest::keyClick(knee, Qt::Key_F1);
    }
    SetHelpOpener(previous);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_TRUE(opened[0].ends_with("/EmbrelAM.hlp/4.html")) << opened[0];
    EXPECT_TRUE(opened[1].ends_with("/EmbrelAM.hlp/5.html")) << opened[1];
    EXPECT_TRUE(opened[2].ends_with("/EmbrelAM.hlp/1.html")) << opened[2];
}

TEST(PageView, RefusesUnknownParentsAndSurvivesALostHost)
{
    HRESULT hr = S_OK;
    auto* page = static_cast<CSaturationPage*>(CSaturationPage::CreateInstance(nullptr, &hr));
    page->NonDelegatingAddRef();
    page->SetViewFactory(&PageDialogView::Create);
    const RECT where{0, 0, 366, 335};
    int notAWidget = 0;
    EXPECT_EQ(page->Activate(reinterpret_cast<HWND>(&notAWidget), &where, FALSE), E_OUTOFMEMORY);

    auto* host = new QWidget;
    ASSERT_EQ(page->Activate(WidgetHandle(host), &where, FALSE), S_OK);
    delete host;  // takes the page's widget with it
    EXPECT_EQ(page->Show(SW_SHOW), S_OK);
    EXPECT_EQ(page->Deactivate(), S_OK);
    page->Release();
}
