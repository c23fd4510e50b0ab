#pragma once

// What the stream classes share: reference counting, the interfaces they answer, CopyTo in
// terms of Read and Write, and no transactions or region locks.

#include <atomic>

#include "platform/com/Streams.h"

class CStreamBase : public IStream {
public:
    CStreamBase(const CStreamBase&) = delete;
    CStreamBase& operator=(const CStreamBase&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten) override;
    HRESULT Revert() override;
    HRESULT LockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) override;
    HRESULT UnlockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) override;

protected:
    CStreamBase() = default;
    virtual ~CStreamBase() = default;

private:
    std::atomic<ULONG> refs_{1};
};
