#include "platform/com/ComApi.h"

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <string>

#include "platform/com/ComRegistration.h"
#include "platform/com/Guid.h"
#include "platform/com/NoThrow.h"
#include "platform/registry/Registry.h"

namespace {

thread_local int t_initCount = 0;

struct LoadedModule {
    void* handle;
    PFN_DllGetClassObject getClassObject;
    PFN_DllCanUnloadNow canUnloadNow;
    // Set when a sweep found the module willing to unload; cleared when it is used.
    bool idle;
    std::chrono::steady_clock::time_point idleSince;
};

// Modules loaded for CoGetClassObject, by real path: each is opened once and stays
// until CoFreeUnusedLibraries finds it can unload.
class ModuleTable {
public:
    static ModuleTable& Instance()
    {
        static ModuleTable table;
        return table;
    }

    // Asks the module for its class object under the table's lock, so that no other
    // thread can unload the module between the lookup and the reference the class
    // object takes on it.
    HRESULT GetClassObject(const std::string& path, REFCLSID rclsid, REFIID riid, LPVOID* ppv)
    {
        char resolved[PATH_MAX];
        const std::string key = ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        auto it = modules_.find(key);
        if (it == modules_.end()) {
            void* handle = ::dlopen(key.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle == nullptr) {
                const char* why = ::dlerror();
                std::fprintf(stderr, "com: the module of class %s cannot be loaded: %s\n", GuidToString(rclsid).c_str(),
                             why != nullptr ? why : key.c_str());
                return CO_E_DLLNOTFOUND;
            }
            auto get = reinterpret_cast<PFN_DllGetClassObject>(::dlsym(handle, "DllGetClassObject"));
            if (get == nullptr) {
                std::fprintf(stderr, "com: %s has no DllGetClassObject\n", key.c_str());
                ::dlclose(handle);
                return CO_E_ERRORINDLL;
            }
            auto canUnload = reinterpret_cast<PFN_DllCanUnloadNow>(::dlsym(handle, "DllCanUnloadNow"));
            it = modules_.emplace(key, LoadedModule{handle, get, canUnload, false, {}}).first;
        }
        it->second.idle = false;
        return it->second.getClassObject(rclsid, riid, ppv);
    }

    // A module is unloaded once it has been willing and unused for delay: the thread
    // that released its last object may still be returning through the module's code
    // just after DllCanUnloadNow turned S_OK.
    void FreeUnused(std::chrono::milliseconds delay)
    {
        const auto now = std::chrono::steady_clock::now();
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        for (auto it = modules_.begin(); it != modules_.end();) {
            // A module without DllCanUnloadNow cannot tell, so it stays.
            const bool willing = it->second.canUnloadNow != nullptr && it->second.canUnloadNow() == S_OK;
            if (willing && !it->second.idle) {
                it->second.idle = true;
                it->second.idleSince = now;
            } else if (!willing) {
                it->second.idle = false;
            }
            if (willing && now - it->second.idleSince >= delay) {
                ::dlclose(it->second.handle);
                it = modules_.erase(it);
            } else {
                ++it;
            }
        }
    }

private:
    std::recursive_mutex mutex_; // a module may create objects from its DllGetClassObject
    std::map<std::string, LoadedModule> modules_;
};

std::mutex g_initMutex;
int g_processInits = 0;

bool ReadDefault(const std::string& path, std::string* value)
{
    return RegGetKeyString(HKEY_CLASSES_ROOT, path, nullptr, value);
}

LPOLESTR TaskString(const std::wstring& text)
{
    auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (out != nullptr)
        std::memcpy(out, text.c_str(), (text.size() + 1) * sizeof(OLECHAR));
    return out;
}

} // namespace

HRESULT CoInitialize(LPVOID)
{
    const bool first = t_initCount++ == 0;
    std::lock_guard<std::mutex> lock(g_initMutex);
    ++g_processInits;
    return first ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    if (t_initCount == 0)
        return;
    --t_initCount;
    bool last = false;
    {
        std::lock_guard<std::mutex> lock(g_initMutex);
        last = --g_processInits == 0;
    }
    if (last)
        CoFreeUnusedLibrariesEx(0, 0);
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID, REFIID riid, LPVOID* ppv)
{
    return CatchOutOfMemory([&]() -> HRESULT {
        if (ppv == nullptr)
            return E_INVALIDARG;
        *ppv = nullptr;
        if (t_initCount == 0)
            return CO_E_NOTINITIALIZED;
        if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0)
            return REGDB_E_CLASSNOTREG;
        std::string path;
        if (!ReadDefault("CLSID\\" + GuidToString(rclsid) + "\\InprocServer32", &path) || path.empty())
            return REGDB_E_CLASSNOTREG;
        return ModuleTable::Instance().GetClassObject(path, rclsid, riid, ppv);
    });
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter != nullptr && !IsEqualIID(riid, IID_IUnknown))
        return CLASS_E_NOAGGREGATION;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    if (factory == nullptr)
        return E_UNEXPECTED;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return hr;
}

void CoFreeUnusedLibraries()
{
    CoFreeUnusedLibrariesEx(INFINITE, 0);
}

void CoFreeUnusedLibrariesEx(DWORD dwUnloadDelay, DWORD)
{
    const DWORD delay = dwUnloadDelay == INFINITE ? kDefaultUnloadDelayMs : dwUnloadDelay;
    ModuleTable::Instance().FreeUnused(std::chrono::milliseconds(delay));
}

LPVOID CoTaskMemAlloc(std::size_t cb)
{
    return std::malloc(cb == 0 ? 1 : cb);
}

LPVOID CoTaskMemRealloc(LPVOID pv, std::size_t cb)
{
    return std::realloc(pv, cb == 0 ? 1 : cb);
}

void CoTaskMemFree(LPVOID pv)
{
    std::free(pv);
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid)
{
    return CatchOutOfMemory([&]() -> HRESULT {
        if (lpszProgID == nullptr || lpclsid == nullptr)
            return E_INVALIDARG;
        const std::string progId = OleToUtf8(lpszProgID);
        std::string text;
        if (progId.empty() || progId.find('\\') != std::string::npos || !ReadDefault(progId + "\\CLSID", &text) ||
            !GuidFromString(text.c_str(), lpclsid))
            return CO_E_CLASSSTRING;
        return S_OK;
    });
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID)
{
    return CatchOutOfMemory([&]() -> HRESULT {
        if (lplpszProgID == nullptr)
            return E_INVALIDARG;
        *lplpszProgID = nullptr;
        std::string progId;
        if (!ReadDefault("CLSID\\" + GuidToString(clsid) + "\\ProgID", &progId) || progId.empty())
            return REGDB_E_CLASSNOTREG;
        *lplpszProgID = TaskString(Utf8ToOle(progId.c_str()));
        return *lplpszProgID != nullptr ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz)
{
    return CatchOutOfMemory([&]() -> HRESULT {
        if (lplpsz == nullptr)
            return E_INVALIDARG;
        *lplpsz = TaskString(Utf8ToOle(GuidToString(rclsid).c_str()));
        return *lplpsz != nullptr ? S_OK : E_OUTOFMEMORY;
    });
}

std::string OleToUtf8(LPCOLESTR text)
{
    std::string out;
    if (text == nullptr)
        return out;
    for (; *text != 0; ++text) {
        auto c = static_cast<std::uint32_t>(*text);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::wstring Utf8ToOle(const char* text)
{
    std::wstring out;
    if (text == nullptr)
        return out;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != 0) {
        std::uint32_t c = *p;
        int extra = 0;
        if (c >= 0xF8) {
            extra = -1;
        } else if (c >= 0xF0) {
            c &= 0x07;
            extra = 3;
        } else if (c >= 0xE0) {
            c &= 0x0F;
            extra = 2;
        } else if (c >= 0xC0) {
            c &= 0x1F;
            extra = 1;
        } else if (c >= 0x80) {
            extra = -1;
        }
        ++p;
        if (extra < 0) {
            out += L'\xFFFD';
            continue;
        }
        bool ok = true;
        for (int i = 0; i < extra; ++i) {
            if ((*p & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (*p & 0x3F);
            ++p;
        }
        out += ok ? static_cast<wchar_t>(c) : L'\xFFFD';
    }
    return out;
}
