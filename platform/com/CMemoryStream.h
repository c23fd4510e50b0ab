#pragma once

// IStream on a growable block of memory (CreateStreamOnMemory).

#include <vector>

#include "platform/com/CStreamBase.h"

class CMemoryStream final : public CStreamBase {
public:
    CMemoryStream(const void* data, ULONG size);

    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
    HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override;
    HRESULT SetSize(ULARGE_INTEGER libNewSize) override;
    HRESULT Commit(DWORD grfCommitFlags) override;
    HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;
    HRESULT Clone(IStream** ppstm) override;

private:
    ~CMemoryStream() override = default;

    std::vector<BYTE> data_;
    ULONGLONG position_ = 0;
};
