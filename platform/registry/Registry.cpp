#include "platform/registry/Registry.h"

#include <cstring>
#include <iterator>
#include <mutex>
#include <new>
#include <unordered_set>
#include <vector>

#include "platform/registry/CRegistryFile.h"
#include "platform/registry/CRegistryTree.h"

struct HKEY__ {
    CRegistryTree::Root root;
    std::vector<std::string> path;
};

namespace {

std::mutex& HandleMutex()
{
    static std::mutex m;
    return m;
}

std::unordered_set<HKEY>& Handles()
{
    static std::unordered_set<HKEY> handles;
    return handles;
}

struct Location {
    CRegistryTree::Root root;
    std::vector<std::string> path;
};

// Resolves a handle plus an optional subkey into a root and a path.
LSTATUS Resolve(HKEY hKey, LPCSTR subKey, Location* out)
{
    if (hKey == HKEY_CLASSES_ROOT) {
        out->root = CRegistryTree::ClassesRoot;
        out->path.clear();
    } else if (hKey == HKEY_CURRENT_USER) {
        out->root = CRegistryTree::CurrentUser;
        out->path.clear();
    } else {
        std::lock_guard<std::mutex> lock(HandleMutex());
        if (hKey == nullptr || Handles().count(hKey) == 0)
            return ERROR_INVALID_HANDLE;
        out->root = hKey->root;
        out->path = hKey->path;
    }
    if (subKey != nullptr && *subKey != '\0') {
        std::vector<std::string> names;
        if (!CRegistryTree::SplitPath(subKey, &names))
            return ERROR_INVALID_PARAMETER;
        out->path.insert(out->path.end(), names.begin(), names.end());
        if (out->path.size() > CRegistryTree::MaxDepth)
            return ERROR_INVALID_PARAMETER;
    }
    return ERROR_SUCCESS;
}

// The key a handle names must still exist; a deleted one answers ERROR_KEY_DELETED.
CRegistryTree::Key* FindHandleKey(CRegistryTree& tree, const Location& where)
{
    return tree.Find(where.root, where.path);
}

LSTATUS NewHandle(const Location& where, PHKEY result)
{
    HKEY key = new (std::nothrow) HKEY__{where.root, where.path};
    if (key == nullptr)
        return ERROR_NOT_ENOUGH_MEMORY;
    std::lock_guard<std::mutex> lock(HandleMutex());
    Handles().insert(key);
    *result = key;
    return ERROR_SUCCESS;
}

// Runs use on the key a handle names, as the file holds it now.
template <class F>
LSTATUS ReadKey(HKEY hKey, F use)
{
    Location where;
    LSTATUS rc = Resolve(hKey, nullptr, &where);
    if (rc != ERROR_SUCCESS)
        return rc;
    CRegistryTree tree;
    rc = CRegistryFile::Load(tree);
    if (rc != ERROR_SUCCESS)
        return rc;
    CRegistryTree::Key* key = FindHandleKey(tree, where);
    if (key == nullptr)
        return ERROR_KEY_DELETED;
    return use(*key);
}

// Runs change on the key a handle names under the file lock; the file is replaced when it
// answers ERROR_SUCCESS.
template <class F>
LSTATUS ChangeKey(HKEY hKey, F change)
{
    Location where;
    const LSTATUS rc = Resolve(hKey, nullptr, &where);
    if (rc != ERROR_SUCCESS)
        return rc;
    return CRegistryFile::Update([&](CRegistryTree& tree) -> LONG {
        CRegistryTree::Key* key = FindHandleKey(tree, where);
        if (key == nullptr)
            return ERROR_KEY_DELETED;
        return change(*key);
    });
}

// The registry calls answer out of memory with a code, never an exception.
template <class F>
LSTATUS NoThrow(F body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

std::string ValueName(LPCSTR name) { return name == nullptr ? std::string() : std::string(name); }

// Copies a value's data in the Win32 way.
LSTATUS CopyData(const CRegistryTree::Value& value, LPDWORD type, LPBYTE data, LPDWORD cbData)
{
    if (type != nullptr)
        *type = value.type;
    if (data != nullptr && cbData == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (cbData == nullptr)
        return ERROR_SUCCESS;
    const DWORD needed = value.type == REG_DWORD ? 4 : static_cast<DWORD>(value.text.size() + 1);
    if (data == nullptr) {
        *cbData = needed;
        return ERROR_SUCCESS;
    }
    if (*cbData < needed) {
        *cbData = needed;
        return ERROR_MORE_DATA;
    }
    if (value.type == REG_DWORD)
        std::memcpy(data, &value.number, 4);
    else
        std::memcpy(data, value.text.c_str(), needed);
    *cbData = needed;
    return ERROR_SUCCESS;
}

LSTATUS CopyName(const std::string& name, LPSTR buffer, LPDWORD cch)
{
    if (buffer == nullptr || cch == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (name.size() + 1 > *cch)
        return ERROR_MORE_DATA;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *cch = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

} // namespace

LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM, const void*,
                        PHKEY phkResult, LPDWORD lpdwDisposition)
{
    return NoThrow([&]() -> LSTATUS {
        if (phkResult == nullptr)
            return ERROR_INVALID_PARAMETER;
        Location base;
        LSTATUS rc = Resolve(hKey, nullptr, &base);
        if (rc != ERROR_SUCCESS)
            return rc;
        Location where;
        rc = Resolve(hKey, lpSubKey, &where);
        if (rc != ERROR_SUCCESS)
            return rc;

        bool created = false;
        CRegistryTree current;
        rc = CRegistryFile::Load(current);
        if (rc != ERROR_SUCCESS)
            return rc;
        if (FindHandleKey(current, base) == nullptr)
            return ERROR_KEY_DELETED;
        if (current.Find(where.root, where.path) == nullptr) {
            rc = CRegistryFile::Update([&](CRegistryTree& tree) -> LONG {
                if (FindHandleKey(tree, base) == nullptr)
                    return ERROR_KEY_DELETED;
                tree.Create(where.root, where.path, &created);
                return ERROR_SUCCESS;
            });
            if (rc != ERROR_SUCCESS)
                return rc;
        }
        if (lpdwDisposition != nullptr)
            *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        return NewHandle(where, phkResult);
    });
}

LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult)
{
    return NoThrow([&]() -> LSTATUS {
        if (phkResult == nullptr)
            return ERROR_INVALID_PARAMETER;
        Location where;
        LSTATUS rc = Resolve(hKey, lpSubKey, &where);
        if (rc != ERROR_SUCCESS)
            return rc;
        CRegistryTree tree;
        rc = CRegistryFile::Load(tree);
        if (rc != ERROR_SUCCESS)
            return rc;
        if (tree.Find(where.root, where.path) == nullptr)
            return ERROR_FILE_NOT_FOUND;
        return NewHandle(where, phkResult);
    });
}

LSTATUS RegCloseKey(HKEY hKey)
{
    return NoThrow([&]() -> LSTATUS {
        if (hKey == HKEY_CLASSES_ROOT || hKey == HKEY_CURRENT_USER)
            return ERROR_SUCCESS;
        {
            std::lock_guard<std::mutex> lock(HandleMutex());
            if (hKey == nullptr || Handles().erase(hKey) == 0)
                return ERROR_INVALID_HANDLE;
        }
        delete hKey;
        return ERROR_SUCCESS;
    });
}

LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    return NoThrow([&]() -> LSTATUS {
        CRegistryTree::Value value;
        value.name = ValueName(lpValueName);
        value.type = dwType;
        if (dwType == REG_SZ) {
            if (lpData == nullptr && cbData != 0)
                return ERROR_INVALID_PARAMETER;
            const char* text = reinterpret_cast<const char*>(lpData);
            std::size_t length = 0;
            while (length < cbData && text[length] != '\0')
                ++length;
            value.text.assign(text == nullptr ? "" : text, length);
        } else if (dwType == REG_DWORD) {
            if (lpData == nullptr || cbData != 4)
                return ERROR_INVALID_PARAMETER;
            std::memcpy(&value.number, lpData, 4);
        } else {
            return ERROR_INVALID_PARAMETER;
        }
        return ChangeKey(hKey, [&](CRegistryTree::Key& key) -> LONG {
            auto it = key.values.find(value.name);
            if (it != key.values.end())
                value.name = it->second.name; // keep the first spelling
            key.values[value.name] = value;
            return ERROR_SUCCESS;
        });
    });
}

LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData)
{
    return NoThrow([&]() -> LSTATUS {
        return ReadKey(hKey, [&](CRegistryTree::Key& key) -> LSTATUS {
            auto it = key.values.find(ValueName(lpValueName));
            if (it == key.values.end())
                return ERROR_FILE_NOT_FOUND;
            return CopyData(it->second, lpType, lpData, lpcbData);
        });
    });
}

LSTATUS RegDeleteValueA(HKEY hKey, LPCSTR lpValueName)
{
    return NoThrow([&]() -> LSTATUS {
        return ChangeKey(hKey, [&](CRegistryTree::Key& key) -> LONG {
            return key.values.erase(ValueName(lpValueName)) == 1 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
        });
    });
}

LSTATUS RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey)
{
    return NoThrow([&]() -> LSTATUS {
        if (lpSubKey == nullptr)
            return ERROR_INVALID_PARAMETER;
        Location where;
        LSTATUS rc = Resolve(hKey, lpSubKey, &where);
        if (rc != ERROR_SUCCESS)
            return rc;
        if (where.path.empty())
            return ERROR_ACCESS_DENIED;
        return CRegistryFile::Update([&](CRegistryTree& tree) -> LONG {
            CRegistryTree::Key* key = tree.Find(where.root, where.path);
            if (key == nullptr)
                return ERROR_FILE_NOT_FOUND;
            if (!key->subkeys.empty())
                return ERROR_ACCESS_DENIED;
            tree.Remove(where.root, where.path);
            return ERROR_SUCCESS;
        });
    });
}

LSTATUS RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey)
{
    return NoThrow([&]() -> LSTATUS {
        Location where;
        LSTATUS rc = Resolve(hKey, lpSubKey, &where);
        if (rc != ERROR_SUCCESS)
            return rc;
        const bool keepKey = lpSubKey == nullptr || *lpSubKey == '\0';
        return CRegistryFile::Update([&](CRegistryTree& tree) -> LONG {
            CRegistryTree::Key* key = tree.Find(where.root, where.path);
            if (key == nullptr)
                return ERROR_FILE_NOT_FOUND;
            if (keepKey) {
                key->values.clear();
                key->subkeys.clear();
            } else {
                tree.Remove(where.root, where.path);
            }
            return ERROR_SUCCESS;
        });
    });
}

LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD, LPSTR lpClass,
                      LPDWORD lpcchClass, void*)
{
    return NoThrow([&]() -> LSTATUS {
        return ReadKey(hKey, [&](CRegistryTree::Key& key) -> LSTATUS {
            if (dwIndex >= key.subkeys.size())
                return ERROR_NO_MORE_ITEMS;
            auto it = key.subkeys.begin();
            std::advance(it, dwIndex);
            const LSTATUS rc = CopyName(it->second->name, lpName, lpcchName);
            if (rc == ERROR_SUCCESS && lpClass != nullptr && lpcchClass != nullptr && *lpcchClass > 0) {
                *lpClass = '\0';
                *lpcchClass = 0;
            }
            return rc;
        });
    });
}

LSTATUS RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD,
                      LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    return NoThrow([&]() -> LSTATUS {
        return ReadKey(hKey, [&](CRegistryTree::Key& key) -> LSTATUS {
            if (dwIndex >= key.values.size())
                return ERROR_NO_MORE_ITEMS;
            auto it = key.values.begin();
            std::advance(it, dwIndex);
            const LSTATUS rc = CopyName(it->second.name, lpValueName, lpcchValueName);
            if (rc != ERROR_SUCCESS)
                return rc;
            return CopyData(it->second, lpType, lpData, lpcbData);
        });
    });
}

std::string RegGetFilePath()
{
    return CRegistryFile::GetPath();
}

LSTATUS RegExportText(std::string* text, std::string* reason)
{
    return NoThrow([&]() -> LSTATUS {
        if (text == nullptr)
            return ERROR_INVALID_PARAMETER;
        LSTATUS rc = CRegistryFile::ReadText(text);
        if (rc != ERROR_SUCCESS)
            return rc;
        CRegistryTree tree;
        std::string why;
        if (!tree.Parse(*text, &why)) {
            if (reason != nullptr)
                *reason = why;
            return ERROR_BADDB;
        }
        return ERROR_SUCCESS;
    });
}
