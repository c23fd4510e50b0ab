// The exports of Embrel.ax: class objects of the filter and its property page, and
// self-registration of both classes and of the filter in the filter mapper.

#include "filter/CSaturationFilter.h"
#include "filter/CSaturationPage.h"
#include "filter/framework/CClassFactory.h"
#include "filter/framework/ModuleRegistration.h"
#include "platform/com/VersionRecord.h"
#ifdef CALYRIX_PAGE_VIEW
#include "filter/page/PageDialogView.h"
#endif

namespace {

// The page, drawn by Qt where the module has it.
CUnknown* CreatePage(IUnknown* outer, HRESULT* phr)
{
    CUnknown* object = CSaturationPage::CreateInstance(outer, phr);
#ifdef CALYRIX_PAGE_VIEW
    if (object != nullptr)
        static_cast<CSaturationPage*>(object)->SetViewFactory(&PageDialogView::Create);
#endif
    return object;
}

const CFactoryTemplate g_Templates[] = {
    {L"Calyrix by Quorel", &CLSID_SaturationFilter, &CSaturationFilter::CreateInstance, nullptr},
    {L"Calyrix by Quorel Property Page", &CLSID_SaturationPage, &CreatePage, nullptr},
};
constexpr int g_cTemplates = sizeof g_Templates / sizeof g_Templates[0];

} // namespace

// The module's version resource; "OLESelfRegister" tells installers that it registers itself.
CALYRIX_COM_EXPORT const VersionRecord CalyrixVersionRecord{
    "CLXVER1", {1, 0, 0, 3}, {1, 0, 0, 3}, VFT_DLL,
    "CompanyName\0Quorel\0"
    "FileDescription\0Calyrix DirectX Audio Plug-In\0"
    "FileVersion\0" "1.01\0"
    "InternalName\0Embrel\0"
    "OriginalFilename\0Embrel.ax\0"
    "ProductName\0Calyrix\0"
    "ProductVersion\0" "1.01\0"
    "OLESelfRegister\0AM10\0"
    "ActiveMovie\0" "Filter dll\0"};

CALYRIX_COM_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    return FrameworkGetClassObject(g_Templates, g_cTemplates, rclsid, riid, ppv);
}

CALYRIX_COM_EXPORT HRESULT DllCanUnloadNow()
{
    return FrameworkCanUnloadNow();
}

// Without the media-pipeline runtime's filter mapper there is nothing to register with:
// both exports succeed and change nothing.
CALYRIX_COM_EXPORT HRESULT DllRegisterServer()
{
    if (!FilterMapperAvailable())
        return S_OK;
    return AMovieDllRegisterServer2(g_Templates, g_cTemplates, TRUE);
}

CALYRIX_COM_EXPORT HRESULT DllUnregisterServer()
{
    if (!FilterMapperAvailable())
        return S_OK;
    return AMovieDllRegisterServer2(g_Templates, g_cTemplates, FALSE);
}
