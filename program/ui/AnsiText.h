#pragma once

#include <string>
#include <string_view>

// Names in preset files: UTF-8 here, the Windows-1252 code page in files from Windows.

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view bytes) noexcept;

// The bytes as UTF-8 text: unchanged when they are UTF-8 already, else read as Windows-1252
// (the five bytes that code page leaves undefined become the C1 controls of the same value).
std::string NameFromFile(std::string_view bytes);
