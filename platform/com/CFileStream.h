#pragma once

// IStream on a file (SHCreateStreamOnFileA).

#include <string>

#include "platform/com/CStreamBase.h"

class CFileStream final : public CStreamBase {
public:
    // Opens the file; on failure *hr holds the reason and the object must be released.
    CFileStream(const char* path, DWORD grfMode, HRESULT* hr);

    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
    HRESULT Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override;
    HRESULT SetSize(ULARGE_INTEGER libNewSize) override;
    // Flushes the file to the disk.
    HRESULT Commit(DWORD grfCommitFlags) override;
    HRESULT Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;
    HRESULT Clone(IStream** ppstm) override;

private:
    ~CFileStream() override;

    std::string path_;
    DWORD mode_;
    int fd_ = -1;
};
