#include "platform/com/CFileStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/com/ComApi.h"

namespace {

HRESULT FromErrno(int error, HRESULT fallback)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR: return STG_E_FILENOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS: return STG_E_ACCESSDENIED;
    case ENOSPC:
    case EDQUOT: return STG_E_MEDIUMFULL;
    case ENOMEM: return STG_E_INSUFFICIENTMEMORY;
    default: return fallback;
    }
}

} // namespace

CFileStream::CFileStream(const char* path, DWORD grfMode, HRESULT* hr) : path_(path), mode_(grfMode)
{
    int flags = O_CLOEXEC;
    switch (grfMode & 3) {
    case STGM_READ: flags |= O_RDONLY; break;
    case STGM_WRITE: flags |= O_WRONLY; break;
    case STGM_READWRITE: flags |= O_RDWR; break;
    default: *hr = STG_E_INVALIDFLAG; return;
    }
    if ((grfMode & STGM_CREATE) != 0) {
        if ((grfMode & 3) == STGM_READ) {
            *hr = STG_E_INVALIDFLAG;
            return;
        }
        flags |= O_CREAT | O_TRUNC;
    }
    fd_ = ::open(path, flags, 0644);
    *hr = fd_ >= 0 ? S_OK : FromErrno(errno, STG_E_ACCESSDENIED);
}

CFileStream::~CFileStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

HRESULT CFileStream::Read(void* pv, ULONG cb, ULONG* pcbRead)
{
    if (pcbRead != nullptr)
        *pcbRead = 0;
    if (pv == nullptr && cb > 0)
        return STG_E_INVALIDPOINTER;
    if ((mode_ & 3) == STGM_WRITE)
        return STG_E_ACCESSDENIED;
    ULONG done = 0;
    while (done < cb) {
        const ssize_t n = ::read(fd_, static_cast<BYTE*>(pv) + done, cb - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (pcbRead != nullptr)
                *pcbRead = done;
            return STG_E_READFAULT;
        }
        if (n == 0)
            break;
        done += static_cast<ULONG>(n);
    }
    if (pcbRead != nullptr)
        *pcbRead = done;
    return S_OK;
}

HRESULT CFileStream::Write(const void* pv, ULONG cb, ULONG* pcbWritten)
{
    if (pcbWritten != nullptr)
        *pcbWritten = 0;
    if (pv == nullptr && cb > 0)
        return STG_E_INVALIDPOINTER;
    if ((mode_ & 3) == STGM_READ)
        return STG_E_ACCESSDENIED;
    ULONG done = 0;
    while (done < cb) {
        const ssize_t n = ::write(fd_, static_cast<const BYTE*>(pv) + done, cb - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (pcbWritten != nullptr)
                *pcbWritten = done;
            return FromErrno(errno, STG_E_WRITEFAULT);
        }
        done += static_cast<ULONG>(n);
    }
    if (pcbWritten != nullptr)
        *pcbWritten = done;
    return S_OK;
}

HRESULT CFileStream::Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition)
{
    int whence = SEEK_SET;
    switch (dwOrigin) {
    case STREAM_SEEK_SET: whence = SEEK_SET; break;
    case STREAM_SEEK_CUR: whence = SEEK_CUR; break;
    case STREAM_SEEK_END: whence = SEEK_END; break;
    default: return STG_E_INVALIDFUNCTION;
    }
    const off_t at = ::lseek(fd_, static_cast<off_t>(dlibMove.QuadPart), whence);
    if (at < 0)
        return STG_E_INVALIDFUNCTION;
    if (plibNewPosition != nullptr)
        plibNewPosition->QuadPart = static_cast<ULONGLONG>(at);
    return S_OK;
}

HRESULT CFileStream::SetSize(ULARGE_INTEGER libNewSize)
{
    if ((mode_ & 3) == STGM_READ)
        return STG_E_ACCESSDENIED;
    if (::ftruncate(fd_, static_cast<off_t>(libNewSize.QuadPart)) != 0)
        return FromErrno(errno, STG_E_WRITEFAULT);
    return S_OK;
}

HRESULT CFileStream::Commit(DWORD)
{
    if ((mode_ & 3) != STGM_READ && ::fsync(fd_) != 0)
        return FromErrno(errno, STG_E_WRITEFAULT);
    return S_OK;
}


HRESULT CFileStream::Stat(STATSTG* pstatstg, DWORD grfStatFlag)
{
    if (pstatstg == nullptr)
        return STG_E_INVALIDPOINTER;
    std::memset(pstatstg, 0, sizeof *pstatstg);
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return STG_E_ACCESSDENIED;
    pstatstg->type = STGTY_STREAM;
    pstatstg->cbSize.QuadPart = static_cast<ULONGLONG>(st.st_size);
    pstatstg->grfMode = mode_;
    if ((grfStatFlag & STATFLAG_NONAME) == 0) {
        const std::wstring name = Utf8ToOle(path_.c_str());
        pstatstg->pwcsName = static_cast<LPOLESTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(OLECHAR)));
        if (pstatstg->pwcsName == nullptr)
            return STG_E_INSUFFICIENTMEMORY;
        std::memcpy(pstatstg->pwcsName, name.c_str(), (name.size() + 1) * sizeof(OLECHAR));
    }
    return S_OK;
}

HRESULT CFileStream::Clone(IStream**) { return E_NOTIMPL; }

HRESULT SHCreateStreamOnFileA(LPCSTR pszFile, DWORD grfMode, IStream** ppstm)
{
    if (ppstm == nullptr)
        return E_POINTER;
    *ppstm = nullptr;
    if (pszFile == nullptr || *pszFile == '\0')
        return E_INVALIDARG;
    HRESULT hr = S_OK;
    CFileStream* stream = nullptr;
    try {
        stream = new CFileStream(pszFile, grfMode, &hr);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        stream->Release();
        return hr;
    }
    *ppstm = stream;
    return S_OK;
}
