#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "filter/framework/CMediaSample.h"
#include "filter/framework/CUnknown.h"

// An allocator of samples in one block of memory. Commit allocates, Decommit releases
// once every sample is back; GetBuffer waits for a free sample unless told not to.
// Each sample handed out holds a reference on the allocator.
class CMemAllocator final : public CUnknown, public IMemAllocator {
public:
    CMemAllocator(LPCWSTR name, IUnknown* outer) noexcept;
    ~CMemAllocator() override;

    DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

    HRESULT SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual) override;
    HRESULT GetProperties(ALLOCATOR_PROPERTIES* pProps) override;
    HRESULT Commit() override;
    HRESULT Decommit() override;
    HRESULT GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME* pStartTime, REFERENCE_TIME* pEndTime,
                      DWORD dwFlags) override;
    HRESULT ReleaseBuffer(IMediaSample* pBuffer) override;

    // A new allocator with one reference, or null.
    static CMemAllocator* CreateInstance() noexcept;

private:
    void FreeMemoryLocked() noexcept;

    std::mutex mutex;
    std::condition_variable freed;
    ALLOCATOR_PROPERTIES properties{};
    bool propertiesSet = false;
    bool committed = false;
    bool decommitPending = false;
    int outstanding = 0;
    std::unique_ptr<BYTE[]> memory;
    std::vector<std::unique_ptr<CMediaSample>> samples;
    std::vector<CMediaSample*> freeList;
};
