#include "filter/framework/ModuleRegistration.h"

#include <cerrno>
#include <dlfcn.h>
#include <string>

#include "filter/framework/CFilterMapper.h"
#include "platform/com/ComApi.h"
#include "platform/com/ComRegistration.h"
#include "platform/com/Guid.h"

namespace {

std::string ClassKey(REFCLSID clsid)
{
    return "CLSID\\" + GuidToString(clsid);
}

// Unregister (and, when registering, Register) an entry's IAMovieSetup; an object
// without that interface passes.
HRESULT SetupEntry(const CFactoryTemplate& entry, BOOL bRegister)
{
    void* found = nullptr;
    HRESULT hr = CoCreateInstance(*entry.m_ClsID, nullptr, CLSCTX_INPROC_SERVER, IID_IAMovieSetup, &found);
    if (hr == E_NOINTERFACE || hr == VFW_E_NEED_OWNER)
        return S_OK;
    if (FAILED(hr))
        return hr;
    auto* setup = static_cast<IAMovieSetup*>(found);
    hr = setup->Unregister();
    if (SUCCEEDED(hr) && bRegister)
        hr = setup->Register();
    setup->Release();
    return hr;
}

} // namespace

bool FilterMapperAvailable()
{
    IFilterMapper* mapper = nullptr;
    if (FAILED(CFilterMapper::CreateInstance(&mapper)))
        return false;
    void* found = nullptr;
    const bool available = SUCCEEDED(mapper->QueryInterface(IID_IFilterMapper, &found)) && found != nullptr;
    if (found != nullptr)
        static_cast<IFilterMapper*>(found)->Release();
    mapper->Release();
    return available;
}

bool GetFrameworkModulePath(std::wstring* path, DWORD* error)
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&GetFrameworkModulePath), &info) == 0 || info.dli_fname == nullptr) {
        *error = ENOENT;
        return false;
    }
    char* resolved = realpath(info.dli_fname, nullptr);
    if (resolved == nullptr) {
        *error = static_cast<DWORD>(errno);
        return false;
    }
    *path = Utf8ToOle(resolved);
    free(resolved);
    return true;
}

HRESULT AMovieSetupRegisterServer(REFCLSID clsServer, LPCWSTR szDescription, LPCWSTR szFileName,
                                  LPCWSTR szThreadingModel, LPCWSTR szServerType)
{
    const std::string key = ClassKey(clsServer);
    HRESULT hr = RegSetKeyString(HKEY_CLASSES_ROOT, key, nullptr, OleToUtf8(szDescription));
    if (FAILED(hr))
        return hr;
    const std::string server = key + "\\" + OleToUtf8(szServerType);
    hr = RegSetKeyString(HKEY_CLASSES_ROOT, server, nullptr, OleToUtf8(szFileName));
    if (FAILED(hr))
        return hr;
    return RegSetKeyString(HKEY_CLASSES_ROOT, server, "ThreadingModel", OleToUtf8(szThreadingModel));
}

HRESULT AMovieSetupUnregisterServer(REFCLSID clsServer)
{
    return RegDeleteKeyTree(HKEY_CLASSES_ROOT, ClassKey(clsServer));
}

HRESULT AMovieDllRegisterServer2(const CFactoryTemplate* templates, int count, BOOL bRegister)
{
    std::wstring path;
    DWORD error = 0;
    if (!GetFrameworkModulePath(&path, &error))
        return HRESULT_FROM_WIN32(error);
    const HRESULT init = CoInitialize(nullptr);
    HRESULT hr = S_OK;
    if (bRegister) {
        for (int i = 0; i < count && SUCCEEDED(hr); ++i) {
            hr = AMovieSetupRegisterServer(*templates[i].m_ClsID, templates[i].m_Name, path.c_str());
            if (SUCCEEDED(hr) && templates[i].m_lpfnNew != nullptr)
                hr = SetupEntry(templates[i], TRUE);
        }
    } else {
        for (int i = count - 1; i >= 0 && SUCCEEDED(hr); --i) {
            if (templates[i].m_lpfnNew != nullptr)
                hr = SetupEntry(templates[i], FALSE);
            // A server no longer registered cannot be created; its key is removed anyway.
            if (hr == REGDB_E_CLASSNOTREG)
                hr = S_OK;
            if (SUCCEEDED(hr))
                hr = AMovieSetupUnregisterServer(*templates[i].m_ClsID);
        }
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return hr;
}
