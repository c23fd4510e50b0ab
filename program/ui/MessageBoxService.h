#pragma once

#include <string>

#include "platform/base/Types.h"

// Buttons and icons of a message box, and its answers.
constexpr UINT MB_OK = 0x00;
constexpr UINT MB_YESNO = 0x04;
constexpr UINT MB_ICONSTOP = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr UINT MB_ICONMASK = 0xF0;
constexpr UINT MB_TYPEMASK = 0x0F;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Every message box of the program goes through this: it shows text under caption with
// the buttons and icon of type and returns the answer (IDOK, IDYES, IDNO).
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual int Show(const std::string& caption, const std::string& text, UINT type) = 0;
};
