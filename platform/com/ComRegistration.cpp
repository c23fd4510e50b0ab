#include "platform/com/ComRegistration.h"

#include "platform/com/ComErrors.h"

HRESULT RegSetKeyString(HKEY root, const std::string& subKey, const char* valueName, const std::string& value)
{
    HKEY key = nullptr;
    LSTATUS rc = RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
    rc = RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
}

bool RegGetKeyString(HKEY root, const std::string& subKey, const char* valueName, std::string* value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    bool ok = RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ;
    if (ok) {
        std::string buffer(size, '\0');
        ok = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) ==
             ERROR_SUCCESS;
        if (ok && value != nullptr)
            value->assign(buffer.c_str());
    }
    RegCloseKey(key);
    return ok;
}

HRESULT RegDeleteKeyTree(HKEY root, const std::string& subKey)
{
    if (subKey.empty())
        return E_INVALIDARG;
    const LSTATUS rc = RegDeleteTreeA(root, subKey.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
}
