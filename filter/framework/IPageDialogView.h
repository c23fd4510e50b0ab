#pragma once

#include "platform/base/Types.h"

class CPageDialog;
struct RECT;

// What a toolkit draws for a page's dialog. It reads the dialog's state when told that
// the state changed and hands user input back as the dialog's messages (CPageDialog::
// SendMessage). Every call comes on the page's user-interface thread.
class IPageDialogView {
public:
    virtual ~IPageDialogView() = default;
    // A control's state changed (id 0: the dialog's own state, such as colours or fonts).
    virtual void ControlChanged(int id) = 0;
    virtual void Place(bool visible, const RECT& rect) = 0;
    virtual void SetTimer(UINT id, UINT milliseconds) = 0;
    virtual void KillTimer(UINT id) = 0;
    virtual void SetFocus(int id) = 0;
};
