#include "platform/com/Guid.h"

#include <cstdio>

namespace {

int HexValue(OLECHAR c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// Braced form, exactly 38 characters: {8-4-4-4-12}.
template <class Char>
bool ParseBraced(const Char* text, GUID* guid)
{
    static const char kPattern[] = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    BYTE bytes[16] = {};
    int nibble = 0;
    for (int i = 0; i < GUID_STRING_LENGTH; ++i) {
        const OLECHAR c = static_cast<OLECHAR>(static_cast<std::make_unsigned_t<Char>>(text[i]));
        if (c == 0)
            return false;
        if (kPattern[i] != 'X') {
            if (c != static_cast<OLECHAR>(kPattern[i]))
                return false;
            continue;
        }
        const int v = HexValue(c);
        if (v < 0)
            return false;
        bytes[nibble / 2] = static_cast<BYTE>(bytes[nibble / 2] | (nibble % 2 == 0 ? v << 4 : v));
        ++nibble;
    }
    if (text[GUID_STRING_LENGTH] != 0)
        return false;
    guid->Data1 = (DWORD(bytes[0]) << 24) | (DWORD(bytes[1]) << 16) | (DWORD(bytes[2]) << 8) | bytes[3];
    guid->Data2 = static_cast<WORD>((bytes[4] << 8) | bytes[5]);
    guid->Data3 = static_cast<WORD>((bytes[6] << 8) | bytes[7]);
    for (int i = 0; i < 8; ++i)
        guid->Data4[i] = bytes[8 + i];
    return true;
}

} // namespace

std::string GuidToString(REFGUID g)
{
    char buf[GUID_STRING_LENGTH + 1];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned>(g.Data1),
                  g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                  g.Data4[7]);
    return buf;
}

bool GuidFromString(const char* text, GUID* guid)
{
    if (text == nullptr || guid == nullptr)
        return false;
    return ParseBraced(text, guid);
}

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax)
{
    if (lpsz == nullptr || cchMax < GUID_STRING_LENGTH + 1)
        return 0;
    const std::string text = GuidToString(rguid);
    for (int i = 0; i <= GUID_STRING_LENGTH; ++i)
        lpsz[i] = static_cast<OLECHAR>(text[static_cast<std::size_t>(i)]);
    return GUID_STRING_LENGTH + 1;
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid)
{
    if (lpsz == nullptr || pclsid == nullptr)
        return E_INVALIDARG;
    GUID guid{};
    if (!ParseBraced(lpsz, &guid))
        return CO_E_CLASSSTRING;
    *pclsid = guid;
    return S_OK;
}

HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid)
{
    const HRESULT hr = CLSIDFromString(lpsz, lpiid);
    return hr == CO_E_CLASSSTRING ? CO_E_IIDSTRING : hr;
}
