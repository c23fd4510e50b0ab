#include "filter/host/CWavFileRenderer.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "filter/host/WavClip.h"
#include "platform/com/ComErrors.h"

namespace {
const CLSID CLSID_WavFileRenderer{0x8F2C5A12, 0x3B1E, 0x4C7D, {0x9A, 0x61, 0x2E, 0x55, 0x10, 0x7B, 0xC3, 0x01}};

// What a failed write met: a full disk (or quota) is told apart from other faults.
HRESULT WriteFailure()
{
    return errno == ENOSPC || errno == EDQUOT ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT;
}
}

CWavFileRenderer::CWavFileRenderer(const std::string& path) noexcept
    : CAudioRenderer(L"WAV file renderer", CLSID_WavFileRenderer), path(path)
{
}

CWavFileRenderer::~CWavFileRenderer()
{
    if (file != nullptr) {
        WriteHeader();
        std::fclose(file);
    }
}

CWavFileRenderer* CWavFileRenderer::CreateInstance(const std::string& path) noexcept
{
    auto* renderer = new (std::nothrow) CWavFileRenderer(path);
    if (renderer != nullptr)
        renderer->NonDelegatingAddRef();
    return renderer;
}

HRESULT CWavFileRenderer::OnStart()
{
    if (!pin.IsConnected())
        return VFW_E_NOT_CONNECTED;
    if (file != nullptr)
        std::fclose(file);
    file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return HRESULT_FROM_WIN32(static_cast<DWORD>(errno));
    std::memcpy(&format, ConnectionType().pbFormat, 16);
    format.cbSize = 0;
    dataBytes = 0;
    return WriteHeader();
}

HRESULT CWavFileRenderer::WriteHeader()
{
    const std::vector<BYTE> header = WavClip::MakeHeader(format, dataBytes);
    if (std::fseek(file, 0, SEEK_SET) != 0 || std::fwrite(header.data(), 1, header.size(), file) != header.size() ||
        std::fseek(file, 0, SEEK_END) != 0)
        return WriteFailure();
    return S_OK;
}

HRESULT CWavFileRenderer::OnReceive(const BYTE* data, long length, bool)
{
    if (file == nullptr)
        return E_UNEXPECTED;
    if (std::fwrite(data, 1, static_cast<std::size_t>(length), file) != static_cast<std::size_t>(length))
        return WriteFailure();
    dataBytes += static_cast<DWORD>(length);
    return S_OK;
}

HRESULT CWavFileRenderer::OnEndOfStream()
{
    if (file == nullptr)
        return E_UNEXPECTED;
    if (dataBytes & 1)
        std::fputc(0, file);
    HRESULT hr = WriteHeader();
    if (std::fclose(file) != 0 && SUCCEEDED(hr))
        hr = WriteFailure();
    file = nullptr;
    return hr;
}
