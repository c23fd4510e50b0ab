#pragma once

#include "filter/framework/MediaInterfaces.h"

// A media type that owns its format block (task memory). A copy that cannot get memory
// for the format is left empty (IsValid false).
class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType() noexcept;
    explicit CMediaType(const GUID& majorType) noexcept;
    CMediaType(const AM_MEDIA_TYPE& other) noexcept;
    CMediaType(const CMediaType& other) noexcept;
    CMediaType& operator=(const AM_MEDIA_TYPE& other) noexcept;
    CMediaType& operator=(const CMediaType& other) noexcept;
    ~CMediaType();

    bool operator==(const CMediaType& other) const noexcept;
    bool operator!=(const CMediaType& other) const noexcept { return !(*this == other); }

    // A major type is set.
    bool IsValid() const noexcept;
    // Replaces the format block; false when memory runs out (the type keeps no format).
    bool SetFormat(const BYTE* format, ULONG length) noexcept;
    void ResetFormatBuffer() noexcept;
    // Back to the empty type.
    void InitMediaType() noexcept;
};

// Frees the format block and the held object of a type; the record itself stays.
void FreeMediaType(AM_MEDIA_TYPE& type) noexcept;
// Frees a type made by CreateMediaType.
void DeleteMediaType(AM_MEDIA_TYPE* type) noexcept;
// A copy in task memory; null when memory runs out.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) noexcept;
// Deep copy into an uninitialised record; E_OUTOFMEMORY leaves it without a format.
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) noexcept;
