#include "program/audio/WavFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/base/Memory.h"

WavFile::WavFile(const char* tooLongText) noexcept
    : fileName{}, format(nullptr), errorFlag(0), errorText{}, systemError(0), tooLongText(tooLongText)
{
}

WavFile::~WavFile()
{
    FreeFormat();
}

void WavFile::Fail(const char* message) noexcept
{
    systemError = errno;
    errorFlag = 1;
    std::snprintf(errorText, sizeof errorText, message, fileName);
}

void WavFile::FreeFormat() noexcept
{
    if (format) GlobalFree(format);
    format = nullptr;
}

void WavFile::SetFileName(const char* name) noexcept
{
    errorFlag = 0;
    if (!name || std::strlen(name) >= sizeof fileName) {
        fileName[0] = '\0';
        errorFlag = 1;
        std::snprintf(errorText, sizeof errorText, "%s", tooLongText);
        return;
    }
    std::strcpy(fileName, name);
}

const char* WavFile::GetFileName() noexcept
{
    errorFlag = 0;
    return fileName;
}
