// Loading and registering type libraries held by modules.

#include <cstdio>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com/Automation.h"
#include "platform/com/ComApi.h"
#include "platform/com/ComRegistration.h"
#include "platform/com/Guid.h"
#include "platform/com/NoThrow.h"

namespace {

// Dispatches type information through IDispatch; the standard marshaler's class.
const char kDispatchProxyStub[] = "{00020420-0000-0000-C000-000000000046}";

std::string VersionKey(REFGUID libid, WORD major, WORD minor)
{
    char version[32];
    std::snprintf(version, sizeof version, "%x.%x", major, minor);
    return "TypeLib\\" + GuidToString(libid) + "\\" + version;
}

// A type library's descriptions live in its module, so the module stays loaded for the
// rest of the process once a library has been taken from it.
HRESULT ModuleTypeLib(const std::string& path, ITypeLib** pptlib)
{
    static std::mutex mutex;
    static std::map<std::string, PFN_DllGetTypeLib> loaded;
    PFN_DllGetTypeLib get = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = loaded.find(path);
        if (it == loaded.end()) {
            void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle == nullptr)
                return TYPE_E_CANTLOADLIBRARY;
            get = reinterpret_cast<PFN_DllGetTypeLib>(::dlsym(handle, "DllGetTypeLib"));
            if (get == nullptr) {
                ::dlclose(handle);
                return TYPE_E_CANTLOADLIBRARY;
            }
            loaded.emplace(path, get);
        } else {
            get = it->second;
        }
    }
    return get(pptlib);
}

} // namespace

HRESULT LoadTypeLib(LPCOLESTR szFile, ITypeLib** pptlib)
{
    return CatchOutOfMemory([&]() -> HRESULT {
        if (szFile == nullptr || pptlib == nullptr)
            return E_INVALIDARG;
        *pptlib = nullptr;
        const std::string path = OleToUtf8(szFile);
        if (path.empty())
            return TYPE_E_CANTLOADLIBRARY;
        return ModuleTypeLib(path, pptlib);
    });
}

HRESULT LoadRegTypeLib(REFGUID rguid, WORD wVerMajor, WORD wVerMinor, LCID, ITypeLib** pptlib)
{
    return CatchOutOfMemory([&]() -> HRESULT {
        if (pptlib == nullptr)
            return E_INVALIDARG;
        *pptlib = nullptr;
        std::string path;
        if (!RegGetKeyString(HKEY_CLASSES_ROOT, VersionKey(rguid, wVerMajor, wVerMinor) + "\\0\\linux", nullptr, &path) ||
            path.empty())
            return TYPE_E_LIBNOTREGISTERED;
        ITypeLib* lib = nullptr;
        HRESULT hr = ModuleTypeLib(path, &lib);
        if (FAILED(hr))
            return hr;
        TLIBATTR* attr = nullptr;
        hr = lib->GetLibAttr(&attr);
        if (SUCCEEDED(hr)) {
            const bool same = IsEqualGUID(attr->guid, rguid);
            lib->ReleaseTLibAttr(attr);
            if (!same)
                hr = TYPE_E_LIBNOTREGISTERED;
        }
        if (FAILED(hr)) {
            lib->Release();
            return hr;
        }
        *pptlib = lib;
        return S_OK;
    });
}

HRESULT RegisterTypeLib(ITypeLib* ptlib, LPCOLESTR szFullPath, LPCOLESTR szHelpDir)
{
    return CatchOutOfMemory([&]() -> HRESULT {
        if (ptlib == nullptr || szFullPath == nullptr || *szFullPath == 0)
            return E_INVALIDARG;
        TLIBATTR* attr = nullptr;
        HRESULT hr = ptlib->GetLibAttr(&attr);
        if (FAILED(hr))
            return hr;
        const TLIBATTR libAttr = *attr;
        ptlib->ReleaseTLibAttr(attr);

        BSTR name = nullptr, doc = nullptr;
        ptlib->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
        const std::string title = OleToUtf8(doc != nullptr && *doc != 0 ? doc : name);
        SysFreeString(name);
        SysFreeString(doc);

        const std::string libid = GuidToString(libAttr.guid);
        const std::string base = VersionKey(libAttr.guid, libAttr.wMajorVerNum, libAttr.wMinorVerNum);
        char version[32];
        std::snprintf(version, sizeof version, "%x.%x", libAttr.wMajorVerNum, libAttr.wMinorVerNum);
        bool ok = SUCCEEDED(RegSetKeyString(HKEY_CLASSES_ROOT, base, nullptr, title)) &&
                  SUCCEEDED(RegSetKeyString(HKEY_CLASSES_ROOT, base + "\\FLAGS", nullptr, std::to_string(libAttr.wLibFlags))) &&
                  SUCCEEDED(RegSetKeyString(HKEY_CLASSES_ROOT, base + "\\HELPDIR", nullptr, OleToUtf8(szHelpDir))) &&
                  SUCCEEDED(RegSetKeyString(HKEY_CLASSES_ROOT, base + "\\0\\linux", nullptr, OleToUtf8(szFullPath)));

        for (UINT i = 0; ok && i < ptlib->GetTypeInfoCount(); ++i) {
            TYPEKIND kind = TKIND_MAX;
            if (FAILED(ptlib->GetTypeInfoType(i, &kind)) || kind != TKIND_DISPATCH)
                continue;
            ITypeInfo* info = nullptr;
            if (FAILED(ptlib->GetTypeInfo(i, &info)))
                return TYPE_E_REGISTRYACCESS;
            TYPEATTR* typeAttr = nullptr;
            BSTR typeName = nullptr;
            if (SUCCEEDED(info->GetTypeAttr(&typeAttr))) {
                info->GetDocumentation(MEMBERID_NIL, &typeName, nullptr, nullptr, nullptr);
                const std::string key = "Interface\\" + GuidToString(typeAttr->guid);
                ok = SUCCEEDED(RegSetKeyString(HKEY_CLASSES_ROOT, key, nullptr, OleToUtf8(typeName))) &&
                     SUCCEEDED(RegSetKeyString(HKEY_CLASSES_ROOT, key + "\\ProxyStubClsid32", nullptr, kDispatchProxyStub)) &&
                     SUCCEEDED(RegSetKeyString(HKEY_CLASSES_ROOT, key + "\\TypeLib", nullptr, libid)) &&
                     SUCCEEDED(RegSetKeyString(HKEY_CLASSES_ROOT, key + "\\TypeLib", "Version", version));
                SysFreeString(typeName);
                info->ReleaseTypeAttr(typeAttr);
            } else {
                ok = false;
            }
            info->Release();
        }
        return ok ? S_OK : TYPE_E_REGISTRYACCESS;
    });
}

HRESULT UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID, SYSKIND)
{
    return CatchOutOfMemory([&]() -> HRESULT {
        const std::string libid = GuidToString(libID);
        const std::string base = VersionKey(libID, wVerMajor, wVerMinor);
        HKEY probe = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, base.c_str(), 0, KEY_READ, &probe) != ERROR_SUCCESS)
            return TYPE_E_REGISTRYACCESS;
        RegCloseKey(probe);

        // The interfaces that name this library.
        HKEY interfaces = nullptr;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "Interface", 0, KEY_READ, &interfaces) == ERROR_SUCCESS) {
            std::vector<std::string> owned;
            char name[256];
            for (DWORD i = 0;; ++i) {
                DWORD cch = sizeof name;
                if (RegEnumKeyExA(interfaces, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                    break;
                std::string owner;
                if (RegGetKeyString(interfaces, std::string(name) + "\\TypeLib", nullptr, &owner)) {
                    GUID ownerId{};
                    if (GuidFromString(owner.c_str(), &ownerId) && IsEqualGUID(ownerId, libID))
                        owned.push_back(name);
                }
            }
            RegCloseKey(interfaces);
            for (const std::string& iid : owned)
                if (FAILED(RegDeleteKeyTree(HKEY_CLASSES_ROOT, "Interface\\" + iid)))
                    return TYPE_E_REGISTRYACCESS;
        }
        if (FAILED(RegDeleteKeyTree(HKEY_CLASSES_ROOT, base)))
            return TYPE_E_REGISTRYACCESS;
        // The library's key goes when no other version is left under it.
        HKEY lib = nullptr;
        const std::string libKey = "TypeLib\\" + libid;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, libKey.c_str(), 0, KEY_READ, &lib) == ERROR_SUCCESS) {
            char name[256];
            DWORD cch = sizeof name;
            const bool empty = RegEnumKeyExA(lib, 0, name, &cch, nullptr, nullptr, nullptr, nullptr) == ERROR_NO_MORE_ITEMS;
            RegCloseKey(lib);
            if (empty && FAILED(RegDeleteKeyTree(HKEY_CLASSES_ROOT, libKey)))
                return TYPE_E_REGISTRYACCESS;
        }
        return S_OK;
    });
}
