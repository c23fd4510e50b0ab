#include "filter/framework/CMediaSample.h"

#include "filter/framework/CMediaType.h"
#include "filter/framework/CMemAllocator.h"

CMediaSample::CMediaSample(CMemAllocator* allocator, BYTE* buffer, long size) noexcept
    : CSimpleUnknown(0), allocator(allocator), buffer(buffer), size(size), actual(size)
{
}

CMediaSample::~CMediaSample()
{
    DeleteMediaType(mediaType);
}

void CMediaSample::LastRelease() noexcept
{
    allocator->ReleaseBuffer(this);
}

void CMediaSample::ResetProperties() noexcept
{
    flags = 0;
    actual = size;
    DeleteMediaType(mediaType);
    mediaType = nullptr;
}

HRESULT CMediaSample::GetPointer(BYTE** ppBuffer)
{
    if (ppBuffer == nullptr)
        return E_POINTER;
    *ppBuffer = buffer;
    return S_OK;
}

long CMediaSample::GetSize()
{
    return size;
}

HRESULT CMediaSample::GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd)
{
    if (pTimeStart == nullptr || pTimeEnd == nullptr)
        return E_POINTER;
    if (!(flags & TimeValid))
        return VFW_E_SAMPLE_TIME_NOT_SET;
    *pTimeStart = start;
    *pTimeEnd = (flags & StopValid) ? end : start + 1;
    return (flags & StopValid) ? S_OK : VFW_S_NO_STOP_TIME;
}

HRESULT CMediaSample::SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd)
{
    if (pTimeStart == nullptr) {
        flags &= ~(TimeValid | StopValid);
        return S_OK;
    }
    start = *pTimeStart;
    flags |= TimeValid;
    if (pTimeEnd != nullptr) {
        end = *pTimeEnd;
        flags |= StopValid;
    } else {
        flags &= ~StopValid;
    }
    return S_OK;
}

HRESULT CMediaSample::IsSyncPoint()
{
    return (flags & SyncPoint) ? S_OK : S_FALSE;
}

HRESULT CMediaSample::SetSyncPoint(BOOL bIsSyncPoint)
{
    flags = bIsSyncPoint ? (flags | SyncPoint) : (flags & ~SyncPoint);
    return S_OK;
}

HRESULT CMediaSample::IsPreroll()
{
    return (flags & Preroll) ? S_OK : S_FALSE;
}

HRESULT CMediaSample::SetPreroll(BOOL bIsPreroll)
{
    flags = bIsPreroll ? (flags | Preroll) : (flags & ~Preroll);
    return S_OK;
}

long CMediaSample::GetActualDataLength()
{
    return actual;
}

HRESULT CMediaSample::SetActualDataLength(long length)
{
    if (length < 0 || length > size)
        return VFW_E_BUFFER_OVERFLOW;
    actual = length;
    return S_OK;
}

HRESULT CMediaSample::GetMediaType(AM_MEDIA_TYPE** ppMediaType)
{
    if (ppMediaType == nullptr)
        return E_POINTER;
    *ppMediaType = nullptr;
    if (!(flags & TypeChanged) || mediaType == nullptr)
        return S_FALSE;
    *ppMediaType = CreateMediaType(mediaType);
    return *ppMediaType != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMediaSample::SetMediaType(AM_MEDIA_TYPE* pMediaType)
{
    DeleteMediaType(mediaType);
    mediaType = nullptr;
    if (pMediaType == nullptr) {
        flags &= ~TypeChanged;
        return S_OK;
    }
    mediaType = CreateMediaType(pMediaType);
    if (mediaType == nullptr) {
        flags &= ~TypeChanged;
        return E_OUTOFMEMORY;
    }
    flags |= TypeChanged;
    return S_OK;
}

HRESULT CMediaSample::IsDiscontinuity()
{
    return (flags & Discontinuity) ? S_OK : S_FALSE;
}

HRESULT CMediaSample::SetDiscontinuity(BOOL bDiscontinuity)
{
    flags = bDiscontinuity ? (flags | Discontinuity) : (flags & ~Discontinuity);
    return S_OK;
}

HRESULT CMediaSample::GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd)
{
    if (pTimeStart == nullptr || pTimeEnd == nullptr)
        return E_POINTER;
    if (!(flags & MediaTimeValid))
        return VFW_E_MEDIA_TIME_NOT_SET;
    *pTimeStart = mediaStart;
    *pTimeEnd = mediaEnd;
    return S_OK;
}

HRESULT CMediaSample::SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd)
{
    if (pTimeStart == nullptr) {
        flags &= ~MediaTimeValid;
        return S_OK;
    }
    if (pTimeEnd == nullptr)
        return E_POINTER;
    mediaStart = *pTimeStart;
    mediaEnd = *pTimeEnd;
    flags |= MediaTimeValid;
    return S_OK;
}
