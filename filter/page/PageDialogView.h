#pragma once

#include <QPointer>

#include <memory>

#include "filter/framework/IPageDialogView.h"
#include "filter/page/PageDialogWidget.h"
#include "filter/page/WidgetHandle.h"

// A page's dialog shown by Qt, inside a host's widget named by WidgetHandle.
class PageDialogView final : public IPageDialogView {
public:
    // Null when parent is neither null nor the handle of a live widget.
    static std::unique_ptr<IPageDialogView> Create(CPageDialog& dialog, HWND parent);
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
