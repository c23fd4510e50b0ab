#include "filter/framework/CMemAllocator.h"

#include <new>

CMemAllocator::CMemAllocator(LPCWSTR name, IUnknown* outer) noexcept : CUnknown(name, outer) {}

CMemAllocator::~CMemAllocator()
{
    std::lock_guard lock(mutex);
    FreeMemoryLocked();
}

CMemAllocator* CMemAllocator::CreateInstance() noexcept
{
    auto* allocator = new (std::nothrow) CMemAllocator(L"Memory allocator", nullptr);
    if (allocator != nullptr)
        allocator->NonDelegatingAddRef();
    return allocator;
}

HRESULT CMemAllocator::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_IMemAllocator))
        return GetInterface(static_cast<IMemAllocator*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* pRequest, ALLOCATOR_PROPERTIES* pActual)
{
    if (pRequest == nullptr || pActual == nullptr)
        return E_POINTER;
    std::lock_guard lock(mutex);
    if (committed)
        return VFW_E_ALREADY_COMMITTED;
    if (outstanding > 0)
        return VFW_E_BUFFERS_OUTSTANDING;
    const long align = pRequest->cbAlign <= 0 ? 1 : pRequest->cbAlign;
    if ((align & (align - 1)) != 0)
        return VFW_E_BADALIGN;
    if (pRequest->cBuffers <= 0 || pRequest->cbBuffer <= 0 || pRequest->cbPrefix < 0)
        return E_INVALIDARG;
    properties.cBuffers = pRequest->cBuffers;
    properties.cbAlign = align;
    properties.cbPrefix = pRequest->cbPrefix;
    // Each buffer including its prefix starts on an aligned address.
    const long whole = pRequest->cbBuffer + pRequest->cbPrefix;
    const long rounded = (whole + align - 1) / align * align;
    properties.cbBuffer = rounded - pRequest->cbPrefix;
    propertiesSet = true;
    *pActual = properties;
    return S_OK;
}

HRESULT CMemAllocator::GetProperties(ALLOCATOR_PROPERTIES* pProps)
{
    if (pProps == nullptr)
        return E_POINTER;
    std::lock_guard lock(mutex);
    *pProps = properties;
    return S_OK;
}

HRESULT CMemAllocator::Commit()
{
    std::lock_guard lock(mutex);
    if (!propertiesSet)
        return VFW_E_SIZENOTSET;
    if (committed)
        return S_OK;
    decommitPending = false;
    if (samples.empty()) {
        const std::size_t stride = static_cast<std::size_t>(properties.cbBuffer + properties.cbPrefix);
        const std::size_t total = stride * static_cast<std::size_t>(properties.cBuffers) +
                                  static_cast<std::size_t>(properties.cbAlign);
        memory.reset(new (std::nothrow) BYTE[total]);
        if (!memory)
            return E_OUTOFMEMORY;
        auto base = reinterpret_cast<std::uintptr_t>(memory.get());
        const auto align = static_cast<std::uintptr_t>(properties.cbAlign);
        base = (base + align - 1) / align * align;
        try {
            samples.reserve(static_cast<std::size_t>(properties.cBuffers));
            freeList.reserve(static_cast<std::size_t>(properties.cBuffers));
            for (long i = 0; i < properties.cBuffers; ++i) {
                BYTE* data = reinterpret_cast<BYTE*>(base) + stride * static_cast<std::size_t>(i) +
                             static_cast<std::size_t>(properties.cbPrefix);
                samples.push_back(std::make_unique<CMediaSample>(this, data, properties.cbBuffer));
                freeList.push_back(samples.back().get());
            }
        } catch (const std::bad_alloc&) {
            FreeMemoryLocked();
            return E_OUTOFMEMORY;
        }
    }
    committed = true;
    return S_OK;
}

HRESULT CMemAllocator::Decommit()
{
    std::lock_guard lock(mutex);
    if (!committed)
        return S_OK;
    committed = false;
    if (outstanding == 0)
        FreeMemoryLocked();
    else
        decommitPending = true;
    freed.notify_all();
    return S_OK;
}

HRESULT CMemAllocator::GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME*, REFERENCE_TIME*, DWORD dwFlags)
{
    if (ppBuffer == nullptr)
        return E_POINTER;
    *ppBuffer = nullptr;
    std::unique_lock lock(mutex);
    for (;;) {
        if (!committed)
            return VFW_E_NOT_COMMITTED;
        if (!freeList.empty())
            break;
        if (dwFlags & AM_GBF_NOWAIT)
            return VFW_E_TIMEOUT;
        freed.wait(lock);
    }
    CMediaSample* sample = freeList.back();
    freeList.pop_back();
    ++outstanding;
    sample->ResetProperties();
    sample->AddRef();
    lock.unlock();
    NonDelegatingAddRef();
    *ppBuffer = sample;
    return S_OK;
}

HRESULT CMemAllocator::ReleaseBuffer(IMediaSample* pBuffer)
{
    if (pBuffer == nullptr)
        return E_POINTER;
    {
        std::lock_guard lock(mutex);
        freeList.push_back(static_cast<CMediaSample*>(pBuffer));
        --outstanding;
        if (outstanding == 0 && decommitPending)
            FreeMemoryLocked();
        freed.notify_one();
    }
    NonDelegatingRelease();
    return S_OK;
}

void CMemAllocator::FreeMemoryLocked() noexcept
{
    decommitPending = false;
    freeList.clear();
    samples.clear();
    memory.reset();
}
