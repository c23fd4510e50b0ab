#include "tools/embrel-host/CPageSite.h"

HRESULT CPageSite::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPropertyPageSite)) {
        *ppv = static_cast<IPropertyPageSite*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CPageSite::AddRef()
{
    return static_cast<ULONG>(++references);
}

ULONG CPageSite::Release()
{
    return static_cast<ULONG>(--references);
}

// The page applies every change itself; there is nothing for the frame to do.
HRESULT CPageSite::OnStatusChange(DWORD)
{
    return S_OK;
}

HRESULT CPageSite::GetLocaleID(LCID* pLocaleID)
{
    if (pLocaleID == nullptr)
        return E_POINTER;
    *pLocaleID = 0x0409;
    return S_OK;
}

HRESULT CPageSite::GetPageContainer(IUnknown** ppUnk)
{
    if (ppUnk != nullptr)
        *ppUnk = nullptr;
    return E_NOTIMPL;
}

HRESULT CPageSite::TranslateAccelerator(MSG*)
{
    return S_FALSE;
}
