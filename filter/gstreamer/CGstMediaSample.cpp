#include "filter/gstreamer/CGstMediaSample.h"

void CGstMediaSample::Reset(BYTE* newData, long newSize, long newActual, bool newDiscontinuity) noexcept
{
    data = newData;
    size = newSize;
    actual = newActual;
    discontinuity = newDiscontinuity;
    timeValid = false;
}

HRESULT CGstMediaSample::GetPointer(BYTE** ppBuffer)
{
    if (ppBuffer == nullptr)
        return E_POINTER;
    *ppBuffer = data;
    return S_OK;
}

HRESULT CGstMediaSample::GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd)
{
    if (pTimeStart == nullptr || pTimeEnd == nullptr)
        return E_POINTER;
    if (!timeValid)
        return VFW_E_SAMPLE_TIME_NOT_SET;
    *pTimeStart = start;
    *pTimeEnd = end;
    return S_OK;
}

HRESULT CGstMediaSample::SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd)
{
    timeValid = pTimeStart != nullptr;
    if (pTimeStart != nullptr)
        start = *pTimeStart;
    end = pTimeEnd != nullptr ? *pTimeEnd : start;
    return S_OK;
}

HRESULT CGstMediaSample::SetActualDataLength(long length)
{
    if (length < 0 || length > size)
        return VFW_E_BUFFER_OVERFLOW;
    actual = length;
    return S_OK;
}

HRESULT CGstMediaSample::GetMediaType(AM_MEDIA_TYPE** ppMediaType)
{
    if (ppMediaType == nullptr)
        return E_POINTER;
    *ppMediaType = nullptr;
    return S_FALSE;
}

HRESULT CGstMediaSample::SetDiscontinuity(BOOL bDiscontinuity)
{
    discontinuity = bDiscontinuity != FALSE;
    return S_OK;
}

HRESULT CGstMediaSample::GetMediaTime(LONGLONG*, LONGLONG*)
{
    return VFW_E_MEDIA_TIME_NOT_SET;
}
