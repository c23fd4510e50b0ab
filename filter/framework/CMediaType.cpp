#include "filter/framework/CMediaType.h"

#include <cstring>

#include "platform/com/ComApi.h"

void FreeMediaType(AM_MEDIA_TYPE& type) noexcept
{
    if (type.cbFormat != 0 || type.pbFormat != nullptr)
        CoTaskMemFree(type.pbFormat);
    type.cbFormat = 0;
    type.pbFormat = nullptr;
    if (type.pUnk != nullptr) {
        type.pUnk->Release();
        type.pUnk = nullptr;
    }
}

void DeleteMediaType(AM_MEDIA_TYPE* type) noexcept
{
    if (type == nullptr)
        return;
    FreeMediaType(*type);
    CoTaskMemFree(type);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) noexcept
{
    *target = *source;
    if (source->cbFormat != 0 && source->pbFormat != nullptr) {
        target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
        if (target->pbFormat == nullptr) {
            target->cbFormat = 0;
            target->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
    } else {
        target->cbFormat = 0;
        target->pbFormat = nullptr;
    }
    if (target->pUnk != nullptr)
        target->pUnk->AddRef();
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) noexcept
{
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (type == nullptr)
        return nullptr;
    if (FAILED(CopyMediaType(type, source))) {
        CoTaskMemFree(type);
        return nullptr;
    }
    return type;
}

CMediaType::CMediaType() noexcept : AM_MEDIA_TYPE{}
{
    InitMediaType();
}

CMediaType::CMediaType(const GUID& majorType) noexcept : AM_MEDIA_TYPE{}
{
    InitMediaType();
    majortype = majorType;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& other) noexcept : AM_MEDIA_TYPE{}
{
    if (FAILED(CopyMediaType(this, &other)))
        InitMediaType();
}

CMediaType::CMediaType(const CMediaType& other) noexcept : CMediaType(static_cast<const AM_MEDIA_TYPE&>(other)) {}

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& other) noexcept
{
    if (&other != this) {
        FreeMediaType(*this);
        if (FAILED(CopyMediaType(this, &other)))
            InitMediaType();
    }
    return *this;
}

CMediaType& CMediaType::operator=(const CMediaType& other) noexcept
{
    return *this = static_cast<const AM_MEDIA_TYPE&>(other);
}

CMediaType::~CMediaType()
{
    FreeMediaType(*this);
}

void CMediaType::InitMediaType() noexcept
{
    FreeMediaType(*this);
    static_cast<AM_MEDIA_TYPE&>(*this) = AM_MEDIA_TYPE{};
    bFixedSizeSamples = TRUE;
    lSampleSize = 1;
}

bool CMediaType::operator==(const CMediaType& other) const noexcept
{
    return majortype == other.majortype && subtype == other.subtype && formattype == other.formattype &&
           cbFormat == other.cbFormat &&
           (cbFormat == 0 || std::memcmp(pbFormat, other.pbFormat, cbFormat) == 0);
}

bool CMediaType::IsValid() const noexcept
{
    return !(majortype == GUID_NULL);
}

bool CMediaType::SetFormat(const BYTE* format, ULONG length) noexcept
{
    ResetFormatBuffer();
    if (length == 0)
        return true;
    pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(length));
    if (pbFormat == nullptr)
        return false;
    std::memcpy(pbFormat, format, length);
    cbFormat = length;
    return true;
}

void CMediaType::ResetFormatBuffer() noexcept
{
    if (pbFormat != nullptr)
        CoTaskMemFree(pbFormat);
    pbFormat = nullptr;
    cbFormat = 0;
}
