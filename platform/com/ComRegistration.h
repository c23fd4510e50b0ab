#pragma once

// Small registry steps for self-registration, answering HRESULTs (a registry error e
// becomes HRESULT_FROM_WIN32(e)).

#include <string>

#include "platform/com/Unknown.h"
#include "platform/registry/Registry.h"

// Creates root\subKey as needed and sets its value valueName (null: the default value).
HRESULT RegSetKeyString(HKEY root, const std::string& subKey, const char* valueName, const std::string& value);
// Reads a REG_SZ value of root\subKey; false when the key or value is missing or not text.
bool RegGetKeyString(HKEY root, const std::string& subKey, const char* valueName, std::string* value);
// Deletes root\subKey with all its subkeys; a key that is not there counts as deleted.
HRESULT RegDeleteKeyTree(HKEY root, const std::string& subKey);
