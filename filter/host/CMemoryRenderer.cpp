#include "filter/host/CMemoryRenderer.h"

#include <new>

namespace {
const CLSID CLSID_MemoryRenderer{0x8F2C5A11, 0x3B1E, 0x4C7D, {0x9A, 0x61, 0x2E, 0x55, 0x10, 0x7B, 0xC3, 0x01}};
}

CMemoryRenderer::CMemoryRenderer() noexcept : CAudioRenderer(L"Memory renderer", CLSID_MemoryRenderer) {}

CMemoryRenderer* CMemoryRenderer::CreateInstance() noexcept
{
    auto* renderer = new (std::nothrow) CMemoryRenderer();
    if (renderer != nullptr)
        renderer->NonDelegatingAddRef();
    return renderer;
}

HRESULT CMemoryRenderer::OnReceive(const BYTE* data, long length, bool discontinuity)
{
    bytes.insert(bytes.end(), data, data + length);
    discontinuities.push_back(discontinuity);
    return S_OK;
}

HRESULT CMemoryRenderer::OnEndOfStream()
{
    ++endOfStreamCount;
    return S_OK;
}

std::vector<BYTE> CMemoryRenderer::Bytes()
{
    CAutoLock guard(&receiveLock);
    return bytes;
}

std::vector<bool> CMemoryRenderer::Discontinuities()
{
    CAutoLock guard(&receiveLock);
    return discontinuities;
}

int CMemoryRenderer::EndOfStreamCount()
{
    CAutoLock guard(&receiveLock);
    return endOfStreamCount;
}
