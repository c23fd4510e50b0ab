#include "platform/com/CMemoryStream.h"

#include <cstring>
#include <limits>
#include <new>

#include "platform/com/ComApi.h"

CMemoryStream::CMemoryStream(const void* data, ULONG size)
{
    if (data != nullptr && size > 0)
        data_.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
}

HRESULT CMemoryStream::Read(void* pv, ULONG cb, ULONG* pcbRead)
{
    if (pv == nullptr && cb > 0)
        return STG_E_INVALIDPOINTER;
    ULONG n = 0;
    if (position_ < data_.size()) {
        const ULONGLONG left = data_.size() - position_;
        n = left < cb ? static_cast<ULONG>(left) : cb;
        std::memcpy(pv, data_.data() + position_, n);
        position_ += n;
    }
    if (pcbRead != nullptr)
        *pcbRead = n;
    return S_OK;
}

HRESULT CMemoryStream::Write(const void* pv, ULONG cb, ULONG* pcbWritten)
{
    if (pcbWritten != nullptr)
        *pcbWritten = 0;
    if (pv == nullptr && cb > 0)
        return STG_E_INVALIDPOINTER;
    const ULONGLONG end = position_ + cb;
    if (end > data_.max_size())
        return STG_E_MEDIUMFULL;
    try {
        if (end > data_.size())
            data_.resize(static_cast<std::size_t>(end));
    } catch (const std::bad_alloc&) {
        return STG_E_MEDIUMFULL;
    }
    if (cb > 0)
        std::memcpy(data_.data() + position_, pv, cb);
    position_ = end;
    if (pcbWritten != nullptr)
        *pcbWritten = cb;
    return S_OK;
}

HRESULT CMemoryStream::Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition)
{
    LONGLONG base = 0;
    switch (dwOrigin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
    case STREAM_SEEK_END: base = static_cast<LONGLONG>(data_.size()); break;
    default: return STG_E_INVALIDFUNCTION;
    }
    if ((dlibMove.QuadPart < 0 && -dlibMove.QuadPart > base) ||
        (dlibMove.QuadPart > 0 && dlibMove.QuadPart > std::numeric_limits<LONGLONG>::max() - base))
        return STG_E_INVALIDFUNCTION;
    position_ = static_cast<ULONGLONG>(base + dlibMove.QuadPart);
    if (plibNewPosition != nullptr)
        plibNewPosition->QuadPart = position_;
    return S_OK;
}

HRESULT CMemoryStream::SetSize(ULARGE_INTEGER libNewSize)
{
    if (libNewSize.QuadPart > data_.max_size())
        return STG_E_MEDIUMFULL;
    try {
        data_.resize(static_cast<std::size_t>(libNewSize.QuadPart));
    } catch (const std::bad_alloc&) {
        return STG_E_MEDIUMFULL;
    }
    return S_OK;
}

HRESULT CMemoryStream::Commit(DWORD) { return S_OK; }

HRESULT CMemoryStream::Stat(STATSTG* pstatstg, DWORD)
{
    if (pstatstg == nullptr)
        return STG_E_INVALIDPOINTER;
    std::memset(pstatstg, 0, sizeof *pstatstg);
    pstatstg->type = STGTY_STREAM;
    pstatstg->cbSize.QuadPart = data_.size();
    pstatstg->grfMode = STGM_READWRITE;
    return S_OK;
}

HRESULT CMemoryStream::Clone(IStream** ppstm)
{
    if (ppstm == nullptr)
        return STG_E_INVALIDPOINTER;
    // A clone of a memory stream is a snapshot with its own position.
    CMemoryStream* copy = nullptr;
    try {
        copy = new CMemoryStream(nullptr, 0);
        copy->data_ = data_;
    } catch (const std::bad_alloc&) {
        delete copy;
        *ppstm = nullptr;
        return E_OUTOFMEMORY;
    }
    copy->position_ = position_;
    *ppstm = copy;
    return S_OK;
}

HRESULT CreateStreamOnMemory(const void* pInit, ULONG cb, IStream** ppstm)
{
    if (ppstm == nullptr)
        return E_POINTER;
    if (pInit == nullptr && cb > 0)
        return E_INVALIDARG;
    try {
        *ppstm = new CMemoryStream(pInit, cb);
    } catch (const std::bad_alloc&) {
        *ppstm = nullptr;
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
