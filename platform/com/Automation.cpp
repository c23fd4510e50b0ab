#include "platform/com/Automation.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <limits>
#include <string>

// A BSTR is preceded by its length in bytes (a UINT) and followed by a zero.
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui)
{
    if (ui > (std::numeric_limits<UINT>::max() - sizeof(UINT)) / sizeof(OLECHAR) - 1)
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(sizeof(UINT) + (ui + 1) * sizeof(OLECHAR)));
    if (block == nullptr)
        return nullptr;
    const UINT bytes = ui * static_cast<UINT>(sizeof(OLECHAR));
    std::memcpy(block, &bytes, sizeof bytes);
    auto* text = reinterpret_cast<BSTR>(block + sizeof(UINT));
    if (strIn != nullptr)
        std::memcpy(text, strIn, ui * sizeof(OLECHAR));
    else
        std::memset(text, 0, ui * sizeof(OLECHAR));
    text[ui] = 0;
    return text;
}

BSTR SysAllocString(const OLECHAR* psz)
{
    if (psz == nullptr)
        return nullptr;
    return SysAllocStringLen(psz, static_cast<UINT>(std::wcslen(psz)));
}

void SysFreeString(BSTR bstrString)
{
    if (bstrString != nullptr)
        std::free(reinterpret_cast<unsigned char*>(bstrString) - sizeof(UINT));
}

UINT SysStringLen(BSTR pbstr)
{
    if (pbstr == nullptr)
        return 0;
    UINT bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<unsigned char*>(pbstr) - sizeof(UINT), sizeof bytes);
    return bytes / static_cast<UINT>(sizeof(OLECHAR));
}

void VariantInit(VARIANTARG* pvarg)
{
    if (pvarg == nullptr)
        return;
    std::memset(pvarg, 0, sizeof *pvarg);
    pvarg->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* pvarg)
{
    if (pvarg == nullptr)
        return E_INVALIDARG;
    if ((pvarg->vt & VT_BYREF) == 0) {
        switch (pvarg->vt) {
        case VT_BSTR: SysFreeString(pvarg->bstrVal); break;
        case VT_UNKNOWN:
            if (pvarg->punkVal != nullptr)
                pvarg->punkVal->Release();
            break;
        case VT_DISPATCH:
            if (pvarg->pdispVal != nullptr)
                pvarg->pdispVal->Release();
            break;
        default: break;
        }
    }
    VariantInit(pvarg);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc)
{
    if (pvargDest == nullptr || pvargSrc == nullptr)
        return E_INVALIDARG;
    if (pvargDest == pvargSrc)
        return S_OK;
    VARIANT copy = *pvargSrc;
    if ((copy.vt & VT_BYREF) == 0) {
        if (copy.vt == VT_BSTR && copy.bstrVal != nullptr) {
            copy.bstrVal = SysAllocStringLen(pvargSrc->bstrVal, SysStringLen(pvargSrc->bstrVal));
            if (copy.bstrVal == nullptr)
                return E_OUTOFMEMORY;
        } else if (copy.vt == VT_UNKNOWN && copy.punkVal != nullptr) {
            copy.punkVal->AddRef();
        } else if (copy.vt == VT_DISPATCH && copy.pdispVal != nullptr) {
            copy.pdispVal->AddRef();
        }
    }
    VariantClear(pvargDest);
    *pvargDest = copy;
    return S_OK;
}

namespace {

// The source's value as a double, for the numeric conversions.
bool NumericValue(const VARIANT& v, double* out)
{
    const bool byref = (v.vt & VT_BYREF) != 0;
    if (byref && v.byref == nullptr)
        return false;
    switch (v.vt & ~VT_BYREF) {
    case VT_I4: *out = byref ? *v.plVal : v.lVal; return true;
    case VT_I2: *out = byref ? *v.piVal : v.iVal; return true;
    case VT_BOOL: *out = byref ? *static_cast<const VARIANT_BOOL*>(v.byref) : v.boolVal; return true;
    case VT_R8: *out = byref ? *static_cast<const double*>(v.byref) : v.dblVal; return true;
    case VT_EMPTY: *out = 0; return !byref;
    case VT_BSTR: {
        const BSTR text = byref ? *v.pbstrVal : v.bstrVal;
        if (text == nullptr || *text == 0)
            return false;
        wchar_t* end = nullptr;
        const double d = std::wcstod(text, &end);
        while (end != nullptr && (*end == L' ' || *end == L'\t'))
            ++end;
        if (end == nullptr || *end != 0 || !std::isfinite(d))
            return false;
        *out = d;
        return true;
    }
    default: return false;
    }
}

} // namespace

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT, VARTYPE vt)
{
    if (pvargDest == nullptr || pvarSrc == nullptr)
        return E_INVALIDARG;
    VARIANT result;
    VariantInit(&result);
    result.vt = vt;
    if (vt == VT_BSTR) {
        const bool byref = (pvarSrc->vt & VT_BYREF) != 0;
        if ((pvarSrc->vt & ~VT_BYREF) == VT_BSTR) {
            const BSTR text = byref ? (pvarSrc->pbstrVal != nullptr ? *pvarSrc->pbstrVal : nullptr) : pvarSrc->bstrVal;
            result.bstrVal = SysAllocStringLen(text, SysStringLen(text));
        } else {
            double d = 0;
            if (!NumericValue(*pvarSrc, &d))
                return DISP_E_TYPEMISMATCH;
            std::wstring text;
            if ((pvarSrc->vt & ~VT_BYREF) == VT_R8)
                text = std::to_wstring(d);
            else
                text = std::to_wstring(static_cast<long long>(d));
            result.bstrVal = SysAllocString(text.c_str());
        }
        if (result.bstrVal == nullptr)
            return E_OUTOFMEMORY;
    } else {
        double d = 0;
        if (!NumericValue(*pvarSrc, &d))
            return DISP_E_TYPEMISMATCH;
        switch (vt) {
        case VT_I4:
            if (!(d >= -2147483648.0 && d <= 2147483647.0)) // NaN included
                return DISP_E_OVERFLOW;
            result.lVal = static_cast<LONG>(d);
            break;
        case VT_I2:
            if (!(d >= -32768.0 && d <= 32767.0))
                return DISP_E_OVERFLOW;
            result.iVal = static_cast<SHORT>(d);
            break;
        case VT_BOOL: result.boolVal = d != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
        case VT_R8: result.dblVal = d; break;
        default: return DISP_E_BADVARTYPE;
        }
    }
    VariantClear(pvargDest);
    *pvargDest = result;
    return S_OK;
}
