#pragma once

#include "filter/framework/MediaInterfaces.h"
#include "platform/com/CSimpleUnknown.h"

// A media sample over memory it does not own (a mapped GstBuffer). It lives as long as
// its owner, who points it at the next piece of memory before each delivery; the count
// only tracks the references the filter takes while it holds the sample.
class CGstMediaSample final : public CSimpleUnknown<IMediaSample, IID_IMediaSample> {
public:
    CGstMediaSample() noexcept : CSimpleUnknown(0) {}

    // size is what the sample reports as its buffer size, actual the bytes it carries.
    void Reset(BYTE* data, long size, long actual, bool discontinuity) noexcept;

    HRESULT GetPointer(BYTE** ppBuffer) override;
    long GetSize() override { return size; }
    HRESULT GetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
    HRESULT SetTime(REFERENCE_TIME* pTimeStart, REFERENCE_TIME* pTimeEnd) override;
    HRESULT IsSyncPoint() override { return S_OK; }
    HRESULT SetSyncPoint(BOOL) override { return S_OK; }
    HRESULT IsPreroll() override { return S_FALSE; }
    HRESULT SetPreroll(BOOL) override { return S_OK; }
    long GetActualDataLength() override { return actual; }
    HRESULT SetActualDataLength(long length) override;
    HRESULT GetMediaType(AM_MEDIA_TYPE** ppMediaType) override;
    HRESULT SetMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT IsDiscontinuity() override { return discontinuity ? S_OK : S_FALSE; }
    HRESULT SetDiscontinuity(BOOL bDiscontinuity) override;
    HRESULT GetMediaTime(LONGLONG* pTimeStart, LONGLONG* pTimeEnd) override;
    HRESULT SetMediaTime(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }

private:
    // The owner keeps the sample; the last reference the filter drops frees nothing.
    void LastRelease() noexcept override {}

    BYTE* data = nullptr;
    long size = 0;
    long actual = 0;
    bool discontinuity = false;
    bool timeValid = false;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME end = 0;
};
