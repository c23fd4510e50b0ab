#include "filter/framework/CPageDialog.h"

#include <algorithm>

#include "filter/framework/IPageDialogView.h"
#include "platform/base/DialogUnits.h"

CPageDialog::CPageDialog(const DialogTemplate& dialogTemplate, Procedure procedure)
    : dialogTemplate(dialogTemplate),
      procedure(std::move(procedure)),
      window([this](UINT message, WPARAM wParam, LPARAM lParam) { SendMessage(message, wParam, lParam); })
{
    for (const DialogItem& item : dialogTemplate.items)
        if (item.id > 0) {
            controls[item.id].item = item;
            controls[item.id].text = item.text;
        }
}

CPageDialog::~CPageDialog()
{
    window.SetWakeUp(nullptr);
}

SIZE CPageDialog::PixelSize() const noexcept
{
    return PixelSize(dialogTemplate);
}

SIZE CPageDialog::PixelSize(const DialogTemplate& dialogTemplate) noexcept
{
    const DialogRect mapped = MapDialogRect(0, 0, dialogTemplate.width, dialogTemplate.height);
    return SIZE{mapped.width, mapped.height};
}

void CPageDialog::AttachView(IPageDialogView* attached) noexcept
{
    view = attached;
}

void CPageDialog::SetWakeUp(std::function<void()> wakeUp)
{
    if (wakeUp)
        window.SetWakeUp([wakeUp = std::move(wakeUp)](const MSG&) { wakeUp(); });
    else
        window.SetWakeUp(nullptr);
}

LRESULT CPageDialog::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return procedure ? procedure(GetSafeHwnd(), message, wParam, lParam) : 1;
}

DialogControl* CPageDialog::Find(int id) noexcept
{
    auto it = controls.find(id);
    return it == controls.end() ? nullptr : &it->second;
}

const DialogControl* CPageDialog::Control(int id) const noexcept
{
    auto it = controls.find(id);
    return it == controls.end() ? nullptr : &it->second;
}

void CPageDialog::Changed(int id)
{
    if (view != nullptr)
        view->ControlChanged(id);
}

void CPageDialog::SetTrackbarRange(int id, int low, int high)
{
    DialogControl* control = Find(id);
    if (control == nullptr)
        return;
    control->low = low;
    control->high = high;
    control->pos = std::clamp(control->pos, low, std::max(low, high));
    Changed(id);
}

void CPageDialog::SetTrackbarPos(int id, int pos)
{
    DialogControl* control = Find(id);
    if (control == nullptr)
        return;
    control->pos = std::clamp(pos, control->low, std::max(control->low, control->high));
    Changed(id);
}

int CPageDialog::GetTrackbarPos(int id) const noexcept
{
    const DialogControl* control = Control(id);
    return control != nullptr ? control->pos : 0;
}

void CPageDialog::SetTrackbarTicks(int id, int frequency, int pageSize)
{
    DialogControl* control = Find(id);
    if (control == nullptr)
        return;
    control->tickFrequency = frequency;
    control->pageSize = pageSize;
    Changed(id);
}

void CPageDialog::SetText(int id, const std::string& text)
{
    if (DialogControl* control = Find(id)) {
        control->text = text;
        Changed(id);
    }
}

void CPageDialog::SetCheck(int id, int check)
{
    if (DialogControl* control = Find(id)) {
        control->check = check != 0 ? 1 : 0;
        Changed(id);
    }
}

int CPageDialog::GetCheck(int id) const noexcept
{
    const DialogControl* control = Control(id);
    return control != nullptr ? control->check : 0;
}

void CPageDialog::SetImage(int id, int resourceId)
{
    if (DialogControl* control = Find(id)) {
        control->image = resourceId;
        Changed(id);
    }
}

void CPageDialog::SetLabelFont(const DialogFont& labelFont, std::initializer_list<int> ids)
{
    font = labelFont;
    for (int id : ids)
        if (DialogControl* control = Find(id))
            control->labelFont = true;
    Changed(0);
}

void CPageDialog::SetColours(COLORREF page, COLORREF trackbar)
{
    pageColour = page;
    trackbarColour = trackbar;
    Changed(0);
}

void CPageDialog::SetFocus(int id)
{
    focus = id;
    if (view != nullptr)
        view->SetFocus(id);
}

void CPageDialog::SetTimer(UINT id, UINT milliseconds)
{
    timers[id] = milliseconds;
    if (view != nullptr)
        view->SetTimer(id, milliseconds);
}

void CPageDialog::KillTimer(UINT id)
{
    timers.erase(id);
    if (view != nullptr)
        view->KillTimer(id);
}

UINT CPageDialog::TimerPeriod(UINT id) const noexcept
{
    auto it = timers.find(id);
    return it == timers.end() ? 0 : it->second;
}

void CPageDialog::Place(bool show, const RECT& where)
{
    visible = show;
    rect = where;
    if (view != nullptr)
        view->Place(visible, rect);
}

void CPageDialog::UserMovedTrackbar(int id, int pos, bool finished)
{
    SetTrackbarPos(id, pos);
    SendMessage(WM_VSCROLL, finished ? TB_ENDTRACK : TB_THUMBTRACK, id);
}

void CPageDialog::UserClicked(int id)
{
    DialogControl* control = Find(id);
    if (control == nullptr)
        return;
    if (control->item.kind == DialogItemKind::CheckButton)
        SetCheck(id, control->check == 0);
    SendMessage(WM_COMMAND, MAKELONG(static_cast<WORD>(id), BN_CLICKED), 0);
}

void CPageDialog::UserAskedHelp(int id)
{
    HELPINFO info{sizeof(HELPINFO), HELPINFO_WINDOW, id, nullptr, 0, POINT{0, 0}};
    SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}
