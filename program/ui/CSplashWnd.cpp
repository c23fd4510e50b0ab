#include "program/ui/CSplashWnd.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

#include "program/ui/CSkin.h"
#include "program/ui/ProgramImages.h"
#include "program/ui/ResourceIds.h"

namespace {

bool splashEnabled = false;
CSplashWnd* splashWindow = nullptr;

}  // namespace

CSplashWnd::CSplashWnd(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Splash Screen"));
    setCursor(Qt::ArrowCursor);
}

CSplashWnd::~CSplashWnd()
{
    if (splashWindow == this) splashWindow = nullptr;
}

void CSplashWnd::EnableSplash(bool on)
{
    splashEnabled = on;
}

CSplashWnd* CSplashWnd::Current()
{
    return splashWindow;
}

void CSplashWnd::ShowSplash(QWidget* parent)
{
    if (!splashEnabled || splashWindow) return;
    auto* splash = new CSplashWnd(parent);
    if (!splash->Create()) {
        delete splash;
        return;
    }
    splashWindow = splash;
    splash->show();
    splash->raise();
    splash->repaint();
}

void CSplashWnd::HideSplash()
{
    if (!splashWindow) return;
    CSplashWnd* splash = splashWindow;
    QWidget* owner = splash->parentWidget();
    splashWindow = nullptr;
    splash->close();
    if (owner) owner->repaint();
    else if (QWidget* main = QApplication::activeWindow()) main->repaint();
}

// Centred on the screen, as it has no parent to centre on.
bool CSplashWnd::Create()
{
    if (!CSkin::BuildPalette(IDB_SPLASH, &palette)) return false;
    bitmap = ProgramBitmapImage(IDB_SPLASH);
    if (bitmap.isNull()) return false;
    setFixedSize(bitmap.size());
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    timerId = startTimer(DisplayMs);
    if (timerId != 0) qApp->installEventFilter(this);
    return timerId != 0;
}

// Stays above the windows that appear while it is shown, with or without a window manager
// that keeps it on top.
bool CSplashWnd::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::Show && widget && widget != this && widget->isWindow())
        QMetaObject::invokeMethod(this, &QWidget::raise, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

void CSplashWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, bitmap);
}

void CSplashWnd::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timerId) return;
    killTimer(timerId);
    timerId = 0;
    if (splashWindow == this) HideSplash();
    else close();
}
