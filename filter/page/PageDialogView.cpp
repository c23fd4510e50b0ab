#include "filter/page/PageDialogView.h"

#include <dlfcn.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "filter/framework/CPageDialog.h"

namespace {

// Qt cannot be unmapped from a running process (what it set up on loading is lost and
// reported as leaked), so a host without Qt that unloads this module keeps the toolkit.
struct ToolkitPin {
    ToolkitPin()
    {
        Dl_info info{};
        if (dladdr(reinterpret_cast<const void*>(&QWidget::staticMetaObject), &info) != 0 && info.dli_fname != nullptr)
            dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    }
} toolkitPin;

// NUMCOLORS of the screen: -1 above 256 colours.
int ScreenColours(const QWidget* widget)
{
    const QScreen* screen = widget->screen() != nullptr ? widget->screen() : QGuiApplication::primaryScreen();
    const int depth = screen != nullptr ? screen->depth() : 24;
    if (depth <= 4)
        return 16;
    return depth <= 8 ? 256 : -1;
}

} // namespace

std::unique_ptr<IPageDialogView> PageDialogView::Create(CPageDialog& dialog, HWND parent)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return nullptr;
    QWidget* parentWidget = nullptr;
    if (parent != nullptr) {
        parentWidget = WidgetOf(parent);
        if (parentWidget == nullptr)
            return nullptr;
    }
    auto* widget = new PageDialogWidget(dialog, parentWidget);
    dialog.SetDisplayColours(ScreenColours(widget));
    return std::make_unique<PageDialogView>(widget);
}

QWidget* PageDialogView::WidgetOf(HWND handle)
{
    if (handle == nullptr || qApp == nullptr)
        return nullptr;
    for (QWidget* widget : QApplication::allWidgets())
        if (WidgetHandle(widget) == handle)
            return widget;
    return nullptr;
}

PageDialogView::PageDialogView(PageDialogWidget* widget) noexcept : widget(widget) {}

PageDialogView::~PageDialogView()
{
    delete widget.data();
}

void PageDialogView::ControlChanged(int id)
{
    if (widget)
        widget->Sync(id);
}

void PageDialogView::Place(bool visible, const RECT& rect)
{
    if (!widget)
        return;
    widget->setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    widget->setVisible(visible);
    widget->update();
}

void PageDialogView::SetTimer(UINT id, UINT milliseconds)
{
    if (widget)
        widget->StartTimer(id, milliseconds);
}

void PageDialogView::KillTimer(UINT id)
{
    if (widget)
        widget->StopTimer(id);
}

void PageDialogView::SetFocus(int id)
{
    if (widget)
        widget->FocusControl(id);
}
