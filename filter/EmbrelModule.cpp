// The exports of Embrel.ax: class objects of the filter and its property page, and
// self-registration of both classes and of the filter in the filter mapper.

#include "filter/CSaturationFilter.h"
#include "filter/CSaturationPage.h"
#include "filter/framework/CClassFactory.h"
#include "filter/framework/ModuleRegistration.h"
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

CALYRIX_COM_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    return FrameworkGetClassObject(g_Templates, g_cTemplates, rclsid, riid, ppv);
}

CALYRIX_COM_EXPORT HRESULT DllCanUnloadNow()
{
    return FrameworkCanUnloadNow();
}

// The media-pipeline runtime is part of this build, so registration always proceeds.
CALYRIX_COM_EXPORT HRESULT DllRegisterServer()
{
    return AMovieDllRegisterServer2(g_Templates, g_cTemplates, TRUE);
}

CALYRIX_COM_EXPORT HRESULT DllUnregisterServer()
{
    return AMovieDllRegisterServer2(g_Templates, g_cTemplates, FALSE);
}
