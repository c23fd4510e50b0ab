#include "platform/com/CMemoryStream.h"

#include <cstring>
#include <new>

#include "platform/com/ComApi.h"
#include "platform/com/StreamCopy.h"

HRESULT CopyStreamData(IStream* from, IStream* to, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                       ULARGE_INTEGER* pcbWritten)
{
    if (to == nullptr)
        return STG_E_INVALIDPOINTER;
    BYTE buffer[8192];
    ULONGLONG readTotal = 0, writtenTotal = 0;
    HRESULT hr = S_OK;
    while (readTotal < cb.QuadPart) {
        const ULONGLONG left = cb.QuadPart - readTotal;
        const ULONG chunk = left < sizeof buffer ? static_cast<ULONG>(left) : static_cast<ULONG>(sizeof buffer);
        ULONG got = 0;
        hr = from->Read(buffer, chunk, &got);
        if (FAILED(hr) || got == 0)
            break;
        readTotal += got;
        ULONG put = 0;
        hr = to->Write(buffer, got, &put);
        writtenTotal += put;
        if (FAILED(hr))
            break;
    }
    if (pcbRead != nullptr)
        pcbRead->QuadPart = readTotal;
    if (pcbWritten != nullptr)
        pcbWritten->QuadPart = writtenTotal;
    return FAILED(hr) ? hr : S_OK;
}

CMemoryStream::CMemoryStream(const void* data, ULONG size)
{
    if (data != nullptr && size > 0)
        data_.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
}

HRESULT CMemoryStream::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ISequentialStream) || IsEqualIID(riid, IID_IStream)) {
        *ppv = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CMemoryStream::AddRef() { return ++refs_; }

ULONG CMemoryStream::Release()
{
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
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
    if ((dlibMove.QuadPart < 0 && -dlibMove.QuadPart > base))
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

HRESULT CMemoryStream::CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten)
{
    return CopyStreamData(this, pstm, cb, pcbRead, pcbWritten);
}

HRESULT CMemoryStream::Commit(DWORD) { return S_OK; }
HRESULT CMemoryStream::Revert() { return S_OK; }
HRESULT CMemoryStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return STG_E_INVALIDFUNCTION; }
HRESULT CMemoryStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return STG_E_INVALIDFUNCTION; }

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
