#pragma once

#include "platform/base/Types.h"

class QWidget;

// How a host names its widget to a component's page: the widget's address. The page
// accepts the handle only while that widget lives (PageDialogView::WidgetOf).
inline HWND WidgetHandle(QWidget* widget) noexcept
{
    return reinterpret_cast<HWND>(widget);
}
