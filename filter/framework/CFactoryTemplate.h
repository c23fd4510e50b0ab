#pragma once

#include "filter/framework/CUnknown.h"

// One creatable class of a module: its name, class identifier, creation function and an
// optional initialisation routine run when the module loads or unloads.
struct CFactoryTemplate {
    using CreateFunction = CUnknown* (*)(IUnknown* outer, HRESULT* phr);
    using InitRoutine = void (*)(BOOL loading, const CLSID* clsid);

    LPCWSTR m_Name;
    const CLSID* m_ClsID;
    CreateFunction m_lpfnNew;
    InitRoutine m_lpfnInit;

    bool IsClassID(REFCLSID clsid) const noexcept { return IsEqualCLSID(*m_ClsID, clsid); }
    CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr) const { return m_lpfnNew(outer, phr); }
};
