#pragma once

#include "platform/base/WaveFormat.h"

// What the WAV reader and writer share: the file name, the owned format block and the
// error state. Fail sets errorFlag and writes the message with %s replaced by the file name.
class WavFile {
public:
    static constexpr int PathLength = 4096;

    WavFile(const WavFile&) = delete;
    WavFile& operator=(const WavFile&) = delete;

    // A name longer than the path limit is refused (errorFlag set, name emptied).
    void SetFileName(const char* name) noexcept;
    const char* GetFileName() noexcept;

    int GetErrorFlag() const noexcept { return errorFlag; }
    const char* GetErrorText() const noexcept { return errorText; }
    // The system's error number at the last failure (what a failed read or write met).
    int GetSystemError() const noexcept { return systemError; }

protected:
    // tooLongText: the message for a refused file name.
    explicit WavFile(const char* tooLongText) noexcept;
    ~WavFile();

    void Fail(const char* message) noexcept;
    void FreeFormat() noexcept;

    char fileName[PathLength];
    WAVEFORMATEX* format;  // fixed global memory
    int errorFlag;
    // Room for the longest message with the longest name: a message is never cut.
    char errorText[PathLength + 1024];
    int systemError;

private:
    const char* tooLongText;
};
