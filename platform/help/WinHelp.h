#pragma once

#include <functional>
#include <string>

#include "platform/base/Types.h"

constexpr UINT HELP_CONTEXT = 0x0001;
constexpr UINT HELP_QUIT = 0x0002;
constexpr UINT HELP_FINDER = 0x000B;

// The help service. A help "file" is a folder of HTML pages carrying the designed file
// name ("Embrel.hlp/"): HELP_CONTEXT opens the page named after the context number in
// lower-case hex ("18008.html"), or index.html when there is no such page; HELP_FINDER
// opens index.html. A plain HTML file of that name is opened at the anchor "#18008".
// Pages open in the desktop's browser without blocking the caller. HELP_QUIT has no
// window to close and succeeds. FALSE when the help file or the browser is missing.
BOOL WinHelpA(HWND window, const char* helpFile, UINT command, DWORD_PTR data) noexcept;

// What opens a page's file:// address; returns false when nothing could be started.
// The default starts xdg-open. Tests install their own and get the previous one back.
using HelpOpener = std::function<bool(const std::string& url)>;
HelpOpener SetHelpOpener(HelpOpener opener);

// The address WinHelpA would open, or an empty string when the help file is missing.
std::string HelpTopicUrl(const char* helpFile, UINT command, DWORD_PTR data);
