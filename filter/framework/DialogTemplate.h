#pragma once

#include <vector>

#include "platform/base/Types.h"

// A dialog resource: its size and controls in dialog units (see platform/base/DialogUnits.h).
enum class DialogItemKind {
    PushButton,   // a button that sends WM_COMMAND
    CheckButton,  // a push-like automatic check box
    Label,        // centred static text
    Picture,      // static bitmap
    Trackbar,     // vertical, ticks on both sides
    GroupBox,
};

struct DialogItem {
    int id;
    DialogItemKind kind;
    const char* text;
    int x;
    int y;
    int width;
    int height;
    bool visible;
};

struct DialogTemplate {
    int id;
    int width;
    int height;
    std::vector<DialogItem> items;
};
