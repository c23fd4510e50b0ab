#pragma once

#include <cstdio>
#include <string>

#include "filter/host/CAudioRenderer.h"

// Writes the stream to a WAV file in the connection's format. The file is created when
// the renderer leaves the stopped state; its sizes are written at end of stream.
class CWavFileRenderer final : public CAudioRenderer {
public:
    // With one reference.
    static CWavFileRenderer* CreateInstance(const std::string& path) noexcept;
    ~CWavFileRenderer() override;

    HRESULT OnReceive(const BYTE* data, long length, bool discontinuity) override;
    HRESULT OnEndOfStream() override;

private:
    explicit CWavFileRenderer(const std::string& path) noexcept;
    HRESULT OnStart() override;
    HRESULT WriteHeader();

    std::string path;
    std::FILE* file = nullptr;
    WAVEFORMATEX format{};
    DWORD dataBytes = 0;
};
