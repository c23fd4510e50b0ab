#include "slider/CTarvelCtrl.h"

#include <cmath>
#include <limits>

#include "slider/TarvelResources.h"

namespace {

// Truncation toward zero of an extended-precision value, saturated to the target type.
template <typename T>
T Trunc(long double v)
{
    v = std::trunc(v);
    if (std::isnan(v)) return 0;
    constexpr long double lo = static_cast<long double>(std::numeric_limits<T>::min());
    constexpr long double hi = static_cast<long double>(std::numeric_limits<T>::max());
    if (v <= lo) return std::numeric_limits<T>::min();
    if (v >= hi) return std::numeric_limits<T>::max();
    return static_cast<T>(v);
}

}  // namespace

CTarvelCtrl::BitmapChoice CTarvelCtrl::ChooseBitmaps(bool largeFont, bool paletteDisplay)
{
    using namespace TarvelRes;
    if (largeFont)
        return {paletteDisplay ? IDB_TRACK_LARGE_DITHER : IDB_TRACK_LARGE_SMOOTH, IDB_KNOB_LARGE};
    return {paletteDisplay ? IDB_TRACK_SMALL_DITHER : IDB_TRACK_SMALL_SMOOTH, IDB_KNOB_SMALL};
}

CTarvelCtrl::Rect CTarvelCtrl::DesignModeRect(bool largeFont, int trackW, int trackH)
{
    if (largeFont) return {0, 0, trackW + 4, trackH - 1};
    return {0, 0, trackW + 1, trackH + 1};
}

void CTarvelCtrl::OnCreate(int trackW, int trackH, int knobW, int knobH)
{
    rangeMin_ = 0;
    rangeMax_ = 100;
    pos_ = 50;
    dragging_ = 0;
    knobH_ = knobH;
    travel_ = trackH - knobH - 4;
    knobLeft_ = Trunc<LONG>(1 + static_cast<long double>(trackW - knobW) * 0.5L);
    knobRight_ = knobLeft_ + knobW;
    RangeChanged();
}

void CTarvelCtrl::RangeChanged()
{
    span_ = static_cast<LONGLONG>(rangeMax_) - rangeMin_;
    pageStep_ = Trunc<LONGLONG>(static_cast<long double>(span_) * 0.0999999000001L + 1);
    UpdateKnob();
}

void CTarvelCtrl::UpdateKnob()
{
    // An empty range leaves the knob at the top.
    if (span_ == 0) {
        knobOffset_ = 0;
    } else {
        long double moved = static_cast<long double>(pos_) - rangeMin_;
        knobOffset_ = Trunc<LONG>(moved * travel_ / span_);
    }
    // Far outside the range the rectangle saturates instead of wrapping around.
    const LONG top = Trunc<LONG>(static_cast<long double>(knobOffset_) + 1);
    knobRect_ = {knobLeft_, top, knobRight_, Trunc<LONG>(static_cast<long double>(top) + knobH_)};
}

void CTarvelCtrl::SetPos(LONG pos)
{
    pos_ = pos;
    UpdateKnob();
    site_.InvalidateControl();
    site_.SetModifiedFlag();
}

void CTarvelCtrl::SetRangeMin(LONG value)
{
    rangeMin_ = value;
    RangeChanged();
    site_.InvalidateControl();
    site_.SetModifiedFlag();
}

void CTarvelCtrl::SetRangeMax(LONG value)
{
    rangeMax_ = value;
    RangeChanged();
    site_.InvalidateControl();
    site_.SetModifiedFlag();
}

void CTarvelCtrl::SetRange(LONG nMin, LONG nMax)
{
    rangeMax_ = nMax;
    rangeMin_ = nMin;
    RangeChanged();
    site_.InvalidateControl();
    site_.SetModifiedFlag();
}

void CTarvelCtrl::GetRange(LONG& nMin, LONG& nMax) const
{
    nMin = rangeMin_;
    nMax = rangeMax_;
}

void CTarvelCtrl::OnLButtonDown(LONG x, LONG y)
{
    if (!knobRect_.Contains(x, y)) return;
    site_.SetCapture();
    dragAnchorY_ = y;
    dragging_ = 1;
}

void CTarvelCtrl::OnLButtonUp()
{
    if (!dragging_) return;
    if (site_.HasCapture()) site_.ReleaseCapture();
    dragging_ = 0;
}

void CTarvelCtrl::OnMouseMove(LONG y, const Rect& bounds)
{
    if (!dragging_) return;
    if (y < bounds.top || y > bounds.bottom - 10) {
        dragAnchorY_ = y;
        return;
    }
    if (travel_ <= 0) return;  // a knob as tall as the track has nowhere to go
    const long double motion = static_cast<long double>(y) - dragAnchorY_;
    const LONGLONG delta = Trunc<LONGLONG>(motion * static_cast<long double>(span_) / travel_);
    if (delta == 0) return;
    dragAnchorY_ = y;
    MoveTo(static_cast<LONGLONG>(pos_) + delta);
}

bool CTarvelCtrl::OnKeyDown(Key key)
{
    LONGLONG target = pos_;
    switch (key) {
    case Key::PageUp: target = static_cast<LONGLONG>(pos_) - pageStep_; break;
    case Key::PageDown: target = static_cast<LONGLONG>(pos_) + pageStep_; break;
    case Key::Up: target = static_cast<LONGLONG>(pos_) - 1; break;
    case Key::Down: target = static_cast<LONGLONG>(pos_) + 1; break;
    case Key::Home: target = rangeMin_; break;
    case Key::End: target = rangeMax_; break;
    case Key::Other: return false;
    }
    MoveTo(target);
    return true;
}

void CTarvelCtrl::MoveTo(LONGLONG pos)
{
    if (pos > rangeMax_)
        pos = rangeMax_;
    else if (pos < rangeMin_)
        pos = rangeMin_;
    pos_ = static_cast<LONG>(pos);
    UpdateKnob();
    site_.InvalidateControl();
    site_.FireScroll(pos_);
}
