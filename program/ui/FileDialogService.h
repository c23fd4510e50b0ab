#pragma once

#include <string>

#include "platform/base/Types.h"

constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

// The open- and save-file dialogs. filter has the "Name|pattern|...||" shape. Returns true
// with the chosen full path in *chosen, false when the dialog was cancelled.
class FileDialogService {
public:
    struct Request {
        bool open = true;
        std::string defaultExtension;
        std::string startName;  // a directory and pattern, or a proposed file name
        DWORD flags = 0;
        std::string filter;
    };
    virtual ~FileDialogService() = default;
    virtual bool Run(const Request& request, std::string* chosen) = 0;
};
