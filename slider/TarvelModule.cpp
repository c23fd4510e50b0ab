// The fader module's exports: class objects, unloading, type library and self-registration.
#include "slider/TarvelModule.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "platform/com/CClassFactory.h"
#include "platform/com/CTypeLib.h"
#include "platform/com/ComApi.h"
#include "platform/com/ComRegistration.h"
#include "platform/com/Guid.h"
#include "platform/com/VersionRecord.h"
#include "slider/CTarvelOleControl.h"
#include "slider/CTarvelPropPageObject.h"
#include "slider/TarvelResources.h"
#include "slider/TarvelTypeLib.h"

CComModule& TarvelModule()
{
    static CComModule module;
    return module;
}

std::string TarvelModulePath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&TarvelModulePath), &info) == 0 || info.dli_fname == nullptr) return {};
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved) == nullptr) return info.dli_fname;
    return resolved;
}

namespace {

CClassFactory& ControlFactory()
{
    static CClassFactory factory(TarvelModule(), CLSID_Tarvel, &CTarvelOleControl::Create, true);
    return factory;
}

CClassFactory& PageFactory()
{
    static CClassFactory factory(TarvelModule(), CLSID_TarvelPropPage, &CTarvelPropPageObject::Create, true);
    return factory;
}

HRESULT RegisterControlClass(const std::string& path)
{
    const std::string clsid = "CLSID\\" + GuidToString(CLSID_Tarvel);
    const std::string progId = kTarvelCtrlProgID;
    const std::string name = TarvelRes::kTypeName;
    HRESULT hr = S_OK;
    auto set = [&hr](const std::string& key, const char* value, const std::string& text) {
        if (SUCCEEDED(hr)) hr = RegSetKeyString(HKEY_CLASSES_ROOT, key, value, text);
    };
    set(clsid, nullptr, name);
    set(clsid + "\\InprocServer32", nullptr, path);
    set(clsid + "\\InprocServer32", "ThreadingModel", "Apartment");
    set(clsid + "\\ProgID", nullptr, progId);
    set(clsid + "\\Control", nullptr, "");
    set(clsid + "\\MiscStatus", nullptr, "0");
    set(clsid + "\\MiscStatus\\1", nullptr, std::to_string(kTarvelMiscStatus));
    set(clsid + "\\ToolboxBitmap32", nullptr, path + ", " + std::to_string(TarvelRes::IDB_TOOLBOX));
    set(clsid + "\\TypeLib", nullptr, GuidToString(LIBID_TARVELLib));
    set(clsid + "\\Version", nullptr,
        std::to_string(kTarvelLibMajor) + "." + std::to_string(kTarvelLibMinor));
    set(progId, nullptr, name);
    set(progId + "\\CLSID", nullptr, GuidToString(CLSID_Tarvel));
    return hr;
}

HRESULT RegisterPageClass(const std::string& path)
{
    const std::string clsid = "CLSID\\" + GuidToString(CLSID_TarvelPropPage);
    HRESULT hr = RegSetKeyString(HKEY_CLASSES_ROOT, clsid, nullptr, TarvelRes::kPageTypeName);
    if (SUCCEEDED(hr)) hr = RegSetKeyString(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", nullptr, path);
    if (SUCCEEDED(hr))
        hr = RegSetKeyString(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "ThreadingModel", "Apartment");
    return hr;
}

HRESULT UnregisterClasses()
{
    HRESULT hr = RegDeleteKeyTree(HKEY_CLASSES_ROOT, "CLSID\\" + GuidToString(CLSID_Tarvel));
    if (SUCCEEDED(hr)) hr = RegDeleteKeyTree(HKEY_CLASSES_ROOT, kTarvelCtrlProgID);
    if (SUCCEEDED(hr)) hr = RegDeleteKeyTree(HKEY_CLASSES_ROOT, "CLSID\\" + GuidToString(CLSID_TarvelPropPage));
    return hr;
}

}  // namespace

// The module's version resource.
CALYRIX_COM_EXPORT const VersionRecord CalyrixVersionRecord{
    "CLXVER1", {1, 0, 0, 1}, {1, 0, 0, 1}, VFT_DLL,
    "FileDescription\0Tarvel ActiveX Control Module\0"
    "FileVersion\0" "1.0.0.1\0"
    "InternalName\0TARVEL\0"
    "OriginalFilename\0TARVEL.OCX\0"
    "ProductVersion\0" "1.0.0.1\0"
    "OLESelfRegister\0\0"};

CALYRIX_COM_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    CClassFactory* const factories[] = {&ControlFactory(), &PageFactory()};
    return CClassFactory::GetClassObject(factories, 2, rclsid, riid, ppv);
}

CALYRIX_COM_EXPORT HRESULT DllCanUnloadNow() { return TarvelModule().CanUnloadNow(); }

CALYRIX_COM_EXPORT HRESULT DllGetTypeLib(ITypeLib** pptlib)
{
    return CTypeLib::Create(TarvelTypeLib::Library(), pptlib);
}

CALYRIX_COM_EXPORT HRESULT DllRegisterServer()
{
    const std::string path = TarvelModulePath();
    if (path.empty()) return SELFREG_E_TYPELIB;
    ITypeLib* lib = nullptr;
    HRESULT hr = DllGetTypeLib(&lib);
    if (SUCCEEDED(hr)) {
        const std::wstring widePath = Utf8ToOle(path.c_str());
        hr = RegisterTypeLib(lib, widePath.c_str(), nullptr);
        lib->Release();
    }
    if (FAILED(hr)) return SELFREG_E_TYPELIB;
    if (FAILED(RegisterControlClass(path)) || FAILED(RegisterPageClass(path))) return SELFREG_E_CLASS;
    return S_OK;
}

CALYRIX_COM_EXPORT HRESULT DllUnregisterServer()
{
    if (FAILED(UnRegisterTypeLib(LIBID_TARVELLib, kTarvelLibMajor, kTarvelLibMinor, kTarvelLibLcid, SYS_WIN32)))
        return SELFREG_E_TYPELIB;
    if (FAILED(UnregisterClasses())) return SELFREG_E_CLASS;
    return S_OK;
}
