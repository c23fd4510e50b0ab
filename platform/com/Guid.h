#pragma once

// GUIDs in their braced text form "{00563CA7-2110-11D1-A856-444553540000}".

#include <string>

#include "platform/com/Unknown.h"

// Number of characters of the braced form, without the terminating zero.
constexpr int GUID_STRING_LENGTH = 38;

// Writes the braced form in upper case; returns the characters written including the
// terminating zero, or 0 when cchMax is smaller than 39.
int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);

// Parses the braced form (either case). E_INVALIDARG for a null argument,
// CO_E_CLASSSTRING for text that is not a braced GUID.
HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid);

// Narrow-text helpers for registry keys and messages.
std::string GuidToString(REFGUID guid);
bool GuidFromString(const char* text, GUID* guid);
