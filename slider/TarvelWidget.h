#pragma once

#include <QCursor>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include "slider/CTarvelCtrl.h"

// The fader's window: draws the track and knob bitmaps, shows the open hand over the knob
// and hands pointer and keys to CTarvelCtrl. Scroll is emitted synchronously from the
// input handler that caused it.
class TarvelWidget : public QWidget, private CTarvelCtrl::Site {
    Q_OBJECT

public:
    // The bitmaps are chosen from the font the widget has when it is created (inherited
    // from the parent) and the colour depth of the screen.
    explicit TarvelWidget(QWidget* parent = nullptr);
    ~TarvelWidget() override;

    CTarvelCtrl& Logic() { return ctrl_; }
    const CTarvelCtrl& Logic() const { return ctrl_; }

    // The container's ambient user mode; false draws the design-mode fill.
    void SetUserMode(bool userMode);
    bool UserMode() const { return userMode_; }

    int TrackBitmapId() const { return trackId_; }
    int KnobBitmapId() const { return knobId_; }
    bool LargeFont() const { return largeFont_; }
    bool HasMouseCapture() const { return captured_; }

    QSize sizeHint() const override;

    static QPixmap LoadBitmap(int id);
    static QCursor LoadOpenHandCursor();

signals:
    void Scroll(int lPos);
    void Modified();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void InvalidateControl() override;
    void FireScroll(LONG pos) override;
    void SetModifiedFlag() override;
    void SetCapture() override;
    bool HasCapture() const override;
    void ReleaseCapture() override;
    void UpdateCursor(const QPoint& p);

    CTarvelCtrl ctrl_;
    QPixmap track_;
    QPixmap knob_;
    QCursor openHandCursor_;
    QRect designRect_;
    bool overKnob_ = false;
    bool captured_ = false;
    bool userMode_ = true;
    bool largeFont_ = false;
    int trackId_ = 0;
    int knobId_ = 0;
};
