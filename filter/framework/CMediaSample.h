#pragma once

#include "filter/framework/MediaInterfaces.h"
#include "platform/com/CSimpleUnknown.h"

class CMemAllocator;

// A buffer of an allocator. Its count goes back to the allocator at zero; the
// allocator owns the object and the memory.
class CMediaSample final : public CSimpleUnknown<IMediaSample, IID_IMediaSample> {
public:
    CMediaSample(CMemAllocator* allocator, BYTE* buffer, long size) noexcept;
    ~CMediaSample() override;

    HRESULT GetPointer(BYTE** ppBuffer) override;
    long GetSize() override;
    HRESULT GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
    HRESULT SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
    HRESULT IsSyncPoint() override;
    HRESULT SetSyncPoint(BOOL bIsSyncPoint) override;
    HRESULT IsPreroll() override;
    HRESULT SetPreroll(BOOL bIsPreroll) override;
    long GetActualDataLength() override;
    HRESULT SetActualDataLength(long length) override;
    HRESULT GetMediaType(AM_MEDIA_TYPE** ppMediaType) override;
    HRESULT SetMediaType(AM_MEDIA_TYPE* pMediaType) override;
    HRESULT IsDiscontinuity() override;
    HRESULT SetDiscontinuity(BOOL bDiscontinuity) override;
    HRESULT GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;
    HRESULT SetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;

    // Clears the properties before the allocator hands the sample out again.
    void ResetProperties() noexcept;

private:
    // The count reaching zero hands the sample back to its allocator.
    void LastRelease() noexcept override;

    enum : DWORD {
        SyncPoint = 1,
        Preroll = 2,
        Discontinuity = 4,
        TypeChanged = 8,
        TimeValid = 16,
        StopValid = 32,
        MediaTimeValid = 64,
    };

    CMemAllocator* allocator;
    BYTE* buffer;
    long size;
    long actual;
    DWORD flags = 0;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME end = 0;
    LONGLONG mediaStart = 0;
    LONGLONG mediaEnd = 0;
    AM_MEDIA_TYPE* mediaType = nullptr;
};
