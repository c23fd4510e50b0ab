#include "platform/com/CStreamBase.h"

#include "platform/com/ComApi.h"

HRESULT CStreamBase::QueryInterface(REFIID riid, void** ppv)
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

ULONG CStreamBase::AddRef() { return ++refs_; }

ULONG CStreamBase::Release()
{
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT CStreamBase::CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten)
{
    if (pstm == nullptr)
        return STG_E_INVALIDPOINTER;
    BYTE buffer[8192];
    ULONGLONG readTotal = 0, writtenTotal = 0;
    HRESULT hr = S_OK;
    while (readTotal < cb.QuadPart) {
        const ULONGLONG left = cb.QuadPart - readTotal;
        const ULONG chunk = left < sizeof buffer ? static_cast<ULONG>(left) : static_cast<ULONG>(sizeof buffer);
        ULONG got = 0;
        hr = Read(buffer, chunk, &got);
        if (FAILED(hr) || got == 0)
            break;
        readTotal += got;
        ULONG put = 0;
        hr = pstm->Write(buffer, got, &put);
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

HRESULT CStreamBase::Revert() { return S_OK; }
HRESULT CStreamBase::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return STG_E_INVALIDFUNCTION; }
HRESULT CStreamBase::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return STG_E_INVALIDFUNCTION; }
