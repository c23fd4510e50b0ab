#pragma once

#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>

#include "filter/framework/DialogTemplate.h"
#include "filter/framework/MediaInterfaces.h"
#include "platform/base/MessageWindow.h"
#include "platform/base/WinUser.h"

class IPageDialogView;

using COLORREF = DWORD;  // 0x00bbggrr; 0x02 in the top byte marks a palette-relative colour


// WM_HELP's lParam: the control the request is for (iCtrlId -1 for the dialog itself).
struct HELPINFO {
    UINT cbSize;
    int iContextType;
    int iCtrlId;
    HWND hItemHandle;
    DWORD_PTR dwContextId;
    POINT MousePos;
};

// One control's state, as the messages a dialog sends its controls set it.
struct DialogControl {
    DialogItem item;
    int low = 0;
    int high = 100;
    int pos = 0;
    int tickFrequency = 1;
    int pageSize = 0;
    std::string text;
    int check = 0;
    int image = 0;  // icon or bitmap resource shown by a button or picture
    bool labelFont = false;
};

struct DialogFont {
    std::string face;
    int height = 0;
    int weight = 0;
};

// A page's dialog window without a toolkit: the handle the page registers for posted
// messages, the state of every control of its template, its colours, font, style and
// place, and the route of its messages to the dialog procedure. A view (IPageDialogView)
// draws it; without one it is a window nobody sees.
class CPageDialog {
public:
    using Procedure = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

    CPageDialog(const DialogTemplate& dialogTemplate, Procedure procedure);
    ~CPageDialog();
    CPageDialog(const CPageDialog&) = delete;
    CPageDialog& operator=(const CPageDialog&) = delete;

    HWND GetSafeHwnd() const noexcept { return window.GetSafeHwnd(); }
    const DialogTemplate& Template() const noexcept { return dialogTemplate; }
    // The dialog's size in pixels.
    SIZE PixelSize() const noexcept;
    static SIZE PixelSize(const DialogTemplate& dialogTemplate) noexcept;

    void AttachView(IPageDialogView* view) noexcept;
    // Called on the posting thread after each post: must only schedule PumpMessages.
    void SetWakeUp(std::function<void()> wakeUp);
    LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam);
    int PumpMessages() { return window.PumpMessages(); }

    // Null for an id the template does not hold.
    const DialogControl* Control(int id) const noexcept;
    void SetTrackbarRange(int id, int low, int high);
    // Clamped into the range, as a trackbar does.
    void SetTrackbarPos(int id, int pos);
    int GetTrackbarPos(int id) const noexcept;
    void SetTrackbarTicks(int id, int frequency, int pageSize);
    void SetText(int id, const std::string& text);
    void SetCheck(int id, int check);
    int GetCheck(int id) const noexcept;
    void SetImage(int id, int resourceId);
    void SetLabelFont(const DialogFont& font, std::initializer_list<int> ids);
    const DialogFont& LabelFont() const noexcept { return font; }
    void SetColours(COLORREF page, COLORREF trackbar);
    COLORREF PageColour() const noexcept { return pageColour; }
    COLORREF TrackbarColour() const noexcept { return trackbarColour; }
    void SetFocus(int id);
    int Focus() const noexcept { return focus; }
    void SetTimer(UINT id, UINT milliseconds);
    void KillTimer(UINT id);
    // Period of a running timer, 0 when it is not running.
    UINT TimerPeriod(UINT id) const noexcept;
    void SetExStyle(DWORD style) noexcept { exStyle = style; }
    DWORD ExStyle() const noexcept { return exStyle; }
    void Place(bool visible, const RECT& rect);
    bool IsVisible() const noexcept { return visible; }
    const RECT& Rect() const noexcept { return rect; }
    // The display's colour count as NUMCOLORS gives it: -1 for more than 256 colours.
    int DisplayColours() const noexcept { return displayColours; }
    void SetDisplayColours(int colours) noexcept { displayColours = colours; }

    // For views: a user moved a trackbar (WM_VSCROLL follows) or clicked a button (the
    // check box toggles, WM_COMMAND follows), or asked for help on a control (-1: the dialog).
    void UserMovedTrackbar(int id, int pos, bool finished);
    void UserClicked(int id);
    void UserAskedHelp(int id);

private:
    DialogControl* Find(int id) noexcept;
    void Changed(int id);

    DialogTemplate dialogTemplate;
    Procedure procedure;
    MessageWindow window;
    std::map<int, DialogControl> controls;
    std::map<UINT, UINT> timers;
    IPageDialogView* view = nullptr;
    DialogFont font;
    COLORREF pageColour = 0xC0C0C0;
    COLORREF trackbarColour = 0xC0C0C0;
    int focus = 0;
    DWORD exStyle = 0;
    bool visible = false;
    RECT rect{};
    int displayColours = -1;
};
