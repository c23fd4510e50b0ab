#pragma once

#include "platform/base/Types.h"

// The fader's logic: range, position, knob geometry, drag and keys. It knows no toolkit;
// the window it lives in supplies repaints, capture and the Scroll event through a Site.
class CTarvelCtrl {
public:
    class Site {
    public:
        virtual void InvalidateControl() = 0;
        virtual void FireScroll(LONG pos) = 0;
        virtual void SetModifiedFlag() = 0;
        virtual void SetCapture() = 0;
        virtual bool HasCapture() const = 0;
        virtual void ReleaseCapture() = 0;

    protected:
        ~Site() = default;
    };

    // Left and top edges inside, right and bottom outside.
    struct Rect {
        LONG left = 0;
        LONG top = 0;
        LONG right = 0;
        LONG bottom = 0;

        bool Contains(LONG x, LONG y) const { return x >= left && x < right && y >= top && y < bottom; }
        friend bool operator==(const Rect&, const Rect&) = default;
    };

    enum class Key { PageUp, PageDown, Up, Down, Home, End, Other };

    struct BitmapChoice {
        int track;
        int knob;
    };

    explicit CTarvelCtrl(Site& site) : site_(site) {}
    CTarvelCtrl(const CTarvelCtrl&) = delete;
    CTarvelCtrl& operator=(const CTarvelCtrl&) = delete;

    static bool IsLargeFont(int fontHeight) { return fontHeight >= 20; }
    static BitmapChoice ChooseBitmaps(bool largeFont, bool paletteDisplay);
    // The rectangle filled in design mode, from the size of the track the font selects.
    static Rect DesignModeRect(bool largeFont, int trackW, int trackH);

    // Window creation with the sizes of the chosen bitmaps: defaults and geometry.
    void OnCreate(int trackW, int trackH, int knobW, int knobH);

    LONG GetPos() const { return pos_; }
    LONG GetRangeMin() const { return rangeMin_; }
    LONG GetRangeMax() const { return rangeMax_; }
    void SetPos(LONG pos);
    void SetRangeMin(LONG value);
    void SetRangeMax(LONG value);
    void SetRange(LONG nMin, LONG nMax);
    void GetRange(LONG& nMin, LONG& nMax) const;

    // Pointer and keyboard; y in client pixels, bounds the rectangle last given to draw in.
    bool IsOverKnob(LONG x, LONG y) const { return knobRect_.Contains(x, y); }
    void OnLButtonDown(LONG x, LONG y);
    void OnLButtonUp();
    void OnMouseMove(LONG y, const Rect& bounds);
    bool OnKeyDown(Key key);  // true when the key was the control's own
    void OnKillFocus() { OnLButtonUp(); }

    LONGLONG Span() const { return span_; }
    LONGLONG PageStep() const { return pageStep_; }
    LONG Travel() const { return travel_; }
    LONG KnobOffset() const { return knobOffset_; }
    LONG KnobLeft() const { return knobLeft_; }
    LONG KnobRight() const { return knobRight_; }
    const Rect& KnobRect() const { return knobRect_; }
    bool Dragging() const { return dragging_ != 0; }
    LONG DragAnchorY() const { return dragAnchorY_; }

private:
    void RangeChanged();
    void UpdateKnob();
    void MoveTo(LONGLONG pos);

    Site& site_;
    LONG rangeMin_ = 0;
    LONG rangeMax_ = 100;
    LONG pos_ = 50;
    // Wider than the properties so that extreme ranges do not overflow.
    LONGLONG span_ = 100;
    LONGLONG pageStep_ = 10;
    LONG travel_ = 0;
    LONG knobLeft_ = 0;
    LONG knobRight_ = 0;
    LONG knobOffset_ = 0;
    LONG knobH_ = 0;
    Rect knobRect_;
    int dragging_ = 0;
    LONG dragAnchorY_ = 0;
};
