#include "filter/host/CAudioRenderer.h"

CAudioRenderer::CAudioRenderer(LPCWSTR name, REFCLSID clsid) noexcept
    : CBaseFilter(name, nullptr, &filterLock, clsid), pin(this, &filterLock)
{
}
