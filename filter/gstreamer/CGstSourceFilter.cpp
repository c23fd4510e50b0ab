#include "filter/gstreamer/CGstSourceFilter.h"

#include <new>

CGstSourceFilter::CGstSourceFilter() noexcept
    : CBaseFilter(L"GStreamer source", nullptr, &filterLock, GUID_NULL), pin(this, &filterLock)
{
}

CGstSourceFilter* CGstSourceFilter::CreateInstance() noexcept
{
    auto* source = new (std::nothrow) CGstSourceFilter();
    if (source != nullptr)
        source->NonDelegatingAddRef();
    return source;
}
