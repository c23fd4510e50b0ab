#include "platform/com/CTypeLib.h"

#include <new>

#include "platform/com/CTypeInfo.h"

CTypeLib::CTypeLib(const TypeLibDesc& desc) : CSimpleUnknown(1), desc(desc) {}
CTypeLib::~CTypeLib() = default;

HRESULT CTypeLib::Create(const TypeLibDesc& desc, ITypeLib** pptlib)
{
    if (pptlib == nullptr)
        return E_INVALIDARG;
    *pptlib = new (std::nothrow) CTypeLib(desc);
    return *pptlib != nullptr ? S_OK : E_OUTOFMEMORY;
}

UINT CTypeLib::GetTypeInfoCount() { return desc.interfaceCount + desc.coclassCount; }

HRESULT CTypeLib::GetTypeInfo(UINT index, ITypeInfo** ppTInfo)
{
    if (ppTInfo == nullptr)
        return E_INVALIDARG;
    *ppTInfo = nullptr;
    if (index < desc.interfaceCount)
        return CTypeInfo::CreateForInterface(*desc.interfaces[index], &desc, index, ppTInfo);
    if (index < GetTypeInfoCount())
        return CTypeInfo::CreateForCoClass(desc.coclasses[index - desc.interfaceCount], &desc, index, ppTInfo);
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT CTypeLib::GetTypeInfoType(UINT index, TYPEKIND* pTKind)
{
    if (pTKind == nullptr)
        return E_INVALIDARG;
    if (index >= GetTypeInfoCount())
        return TYPE_E_ELEMENTNOTFOUND;
    *pTKind = index < desc.interfaceCount ? TKIND_DISPATCH : TKIND_COCLASS;
    return S_OK;
}

HRESULT CTypeLib::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo)
{
    if (ppTinfo == nullptr)
        return E_INVALIDARG;
    *ppTinfo = nullptr;
    for (UINT i = 0; i < desc.interfaceCount; ++i)
        if (IsEqualGUID(desc.interfaces[i]->iid, guid))
            return GetTypeInfo(i, ppTinfo);
    for (UINT i = 0; i < desc.coclassCount; ++i)
        if (IsEqualGUID(desc.coclasses[i].clsid, guid))
            return GetTypeInfo(desc.interfaceCount + i, ppTinfo);
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT CTypeLib::GetLibAttr(TLIBATTR** ppTLibAttr)
{
    if (ppTLibAttr == nullptr)
        return E_INVALIDARG;
    auto* attr = new (std::nothrow) TLIBATTR{desc.libid, desc.lcid, SYS_WIN32, desc.majorVersion, desc.minorVersion,
                                             desc.libFlags};
    if (attr == nullptr)
        return E_OUTOFMEMORY;
    *ppTLibAttr = attr;
    return S_OK;
}

void CTypeLib::ReleaseTLibAttr(TLIBATTR* pTLibAttr) { delete pTLibAttr; }

HRESULT CTypeLib::GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                   BSTR* pBstrHelpFile)
{
    if (index >= 0) {
        ITypeInfo* info = nullptr;
        HRESULT hr = GetTypeInfo(static_cast<UINT>(index), &info);
        if (FAILED(hr))
            return hr;
        hr = info->GetDocumentation(MEMBERID_NIL, pBstrName, pBstrDocString, pdwHelpContext, pBstrHelpFile);
        info->Release();
        return hr;
    }
    if (index != -1)
        return TYPE_E_ELEMENTNOTFOUND;
    if (pdwHelpContext != nullptr)
        *pdwHelpContext = 0;
    const OLECHAR* texts[3] = {desc.name, desc.helpString, desc.helpFile};
    BSTR* outs[3] = {pBstrName, pBstrDocString, pBstrHelpFile};
    BSTR made[3] = {nullptr, nullptr, nullptr};
    for (int i = 0; i < 3; ++i) {
        if (outs[i] == nullptr || texts[i] == nullptr)
            continue;
        made[i] = SysAllocString(texts[i]);
        if (made[i] == nullptr) {
            for (BSTR b : made)
                SysFreeString(b);
            return E_OUTOFMEMORY;
        }
    }
    for (int i = 0; i < 3; ++i)
        if (outs[i] != nullptr)
            *outs[i] = made[i];
    return S_OK;
}
