#include "slider/TarvelWidget.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "slider/TarvelResources.h"

namespace {

CTarvelCtrl::Key KeyOf(int qtKey)
{
    using Key = CTarvelCtrl::Key;
    switch (qtKey) {
    case Qt::Key_PageUp: return Key::PageUp;
    case Qt::Key_PageDown: return Key::PageDown;
    case Qt::Key_Up: return Key::Up;
    case Qt::Key_Down: return Key::Down;
    case Qt::Key_Home: return Key::Home;
    case Qt::Key_End: return Key::End;
    default: return Key::Other;
    }
}

bool PaletteDisplay(const QWidget& w)
{
    const QScreen* screen = w.screen() ? w.screen() : QGuiApplication::primaryScreen();
    return screen && screen->depth() <= 8;
}

}  // namespace

QPixmap TarvelWidget::LoadBitmap(int id)
{
    using namespace TarvelRes;
    const char* name = nullptr;
    switch (id) {
    case IDB_TOOLBOX: name = "toolbox1"; break;
    case IDB_TRACK_SMALL_DITHER: name = "track207"; break;
    case IDB_KNOB_SMALL: name = "knob208"; break;
    case IDC_OPEN_HAND: name = "cursor209"; break;
    case IDB_LOGO: name = "logo211"; break;
    case IDB_TRACK_LARGE_DITHER: name = "track212"; break;
    case IDB_KNOB_LARGE: name = "knob213"; break;
    case IDB_TRACK_LARGE_SMOOTH: name = "track214"; break;
    case IDB_TRACK_SMALL_SMOOTH: name = "track215"; break;
    default: return {};
    }
    return QPixmap(QStringLiteral(":/tarvel/res/%1.png").arg(QLatin1String(name)));
}

QCursor TarvelWidget::LoadOpenHandCursor()
{
    return QCursor(LoadBitmap(TarvelRes::IDC_OPEN_HAND), 0, 0);
}

TarvelWidget::TarvelWidget(QWidget* parent)
    : QWidget(parent), ctrl_(*this), openHandCursor_(LoadOpenHandCursor())
{
    setAutoFillBackground(true);  // the background erase around the track
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);

    largeFont_ = CTarvelCtrl::IsLargeFont(QFontMetrics(font()).height());
    const auto choice = CTarvelCtrl::ChooseBitmaps(largeFont_, PaletteDisplay(*this));
    trackId_ = choice.track;
    knobId_ = choice.knob;
    track_ = LoadBitmap(trackId_);
    knob_ = LoadBitmap(knobId_);
    ctrl_.OnCreate(track_.width(), track_.height(), knob_.width(), knob_.height());

    // Design mode fills by the size of the palette track of the font's set.
    const QSize designTrack = LoadBitmap(largeFont_ ? TarvelRes::IDB_TRACK_LARGE_DITHER
                                                    : TarvelRes::IDB_TRACK_SMALL_DITHER)
                                  .size();
    const auto r = CTarvelCtrl::DesignModeRect(largeFont_, designTrack.width(), designTrack.height());
    designRect_ = QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

TarvelWidget::~TarvelWidget() = default;

void TarvelWidget::SetUserMode(bool userMode)
{
    if (userMode_ == userMode) return;
    userMode_ = userMode;
    update();
}

QSize TarvelWidget::sizeHint() const { return track_.size(); }

void TarvelWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!userMode_) {
        painter.fillRect(designRect_, QColor(200, 50, 50));
        return;
    }
    painter.drawPixmap(0, 0, track_);
    const auto& k = ctrl_.KnobRect();
    painter.drawPixmap(k.left, k.top, knob_);
}

void TarvelWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
        ctrl_.OnLButtonDown(p.x(), p.y());
    }
    QWidget::mousePressEvent(event);
}

void TarvelWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    ctrl_.OnMouseMove(p.y(), {0, 0, width(), height()});
    // The knob trails the pointer during a drag; the hand stays until the button is up.
    if (!ctrl_.Dragging()) UpdateCursor(p);
    QWidget::mouseMoveEvent(event);
}

void TarvelWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) ctrl_.OnLButtonUp();
    UpdateCursor(event->position().toPoint());
    QWidget::mouseReleaseEvent(event);
}

void TarvelWidget::keyPressEvent(QKeyEvent* event)
{
    if (ctrl_.OnKeyDown(KeyOf(event->key()))) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TarvelWidget::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    ctrl_.OnKillFocus();
}

void TarvelWidget::UpdateCursor(const QPoint& p)
{
    const bool over = ctrl_.IsOverKnob(p.x(), p.y());
    if (over == overKnob_) return;
    overKnob_ = over;
    if (over)
        setCursor(openHandCursor_);
    else
        unsetCursor();
}

void TarvelWidget::InvalidateControl() { update(); }

void TarvelWidget::FireScroll(LONG pos) { emit Scroll(pos); }

void TarvelWidget::SetModifiedFlag() { emit Modified(); }

// Qt routes the moves of a pressed button to the pressed widget by itself; the flag only
// records that the drag owns that implicit grab.
void TarvelWidget::SetCapture() { captured_ = true; }

bool TarvelWidget::HasCapture() const { return captured_; }

void TarvelWidget::ReleaseCapture() { captured_ = false; }
