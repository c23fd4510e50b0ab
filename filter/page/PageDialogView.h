#pragma once

#include <QPointer>

#include <memory>

#include "filter/framework/IPageDialogView.h"
#include "filter/page/PageDialogWidget.h"

// A page's dialog shown by Qt, inside a host's widget. A host names its widget by the
// handle HandleOf gives; the handle is the widget's address and is only accepted while
// that widget lives.
class PageDialogView final : public IPageDialogView {
public:
    // Null when parent is neither null nor the handle of a live widget.
    static std::unique_ptr<IPageDialogView> Create(CPageDialog& dialog, HWND parent);
    static HWND HandleOf(QWidget* widget) noexcept;
    static QWidget* WidgetOf(HWND handle);

    explicit PageDialogView(PageDialogWidget* widget) noexcept;
    ~PageDialogView() override;

    void ControlChanged(int id) override;
    void Place(bool visible, const RECT& rect) override;
    void SetTimer(UINT id, UINT milliseconds) override;
    void KillTimer(UINT id) override;
    void SetFocus(int id) override;

    PageDialogWidget* Widget() const { return widget.data(); }

private:
    QPointer<PageDialogWidget> widget;
};
