#include "filter/gstreamer/CGstSinkRenderer.h"

#include <new>

CGstSinkRenderer::CGstSinkRenderer() noexcept : CAudioRenderer(L"GStreamer sink", GUID_NULL) {}

CGstSinkRenderer* CGstSinkRenderer::CreateInstance() noexcept
{
    auto* sink = new (std::nothrow) CGstSinkRenderer();
    if (sink != nullptr)
        sink->NonDelegatingAddRef();
    return sink;
}

HRESULT CGstSinkRenderer::OnReceive(const BYTE* data, long length, bool)
{
    lastData = data;
    lastLength = length;
    return S_OK;
}

void CGstSinkRenderer::Expect() noexcept
{
    lastData = nullptr;
    lastLength = -1;
}

bool CGstSinkRenderer::Delivered(const BYTE* data, long length) const noexcept
{
    return lastData == data && lastLength == length;
}
