#pragma once

#include <string>

#include "platform/base/WinUser.h"

// Every message box of the program goes through this: it shows text under caption with
// the buttons and icon of type and returns the answer (IDOK, IDYES, IDNO).
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual int Show(const std::string& caption, const std::string& text, UINT type) = 0;
};
