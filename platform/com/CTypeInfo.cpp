#include "platform/com/CTypeInfo.h"

#include <new>

#include "platform/com/CDispatchTable.h"
#include "platform/com/CTypeLib.h"

namespace {

HRESULT Doc(const OLECHAR* text, BSTR* out)
{
    if (out == nullptr)
        return S_OK;
    *out = text != nullptr ? SysAllocString(text) : nullptr;
    return text != nullptr && *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

} // namespace

CTypeInfo::CTypeInfo(const DispInterfaceDesc* iface, const CoClassDesc* coclass, const TypeLibDesc* container, UINT index)
    : CSimpleUnknown(1), iface(iface), coclass(coclass), container(container), typeIndex(index)
{
}

CTypeInfo::~CTypeInfo() = default;

HRESULT CTypeInfo::CreateForInterface(const DispInterfaceDesc& desc, const TypeLibDesc* container, UINT index,
                                      ITypeInfo** ppTInfo)
{
    if (ppTInfo == nullptr)
        return E_INVALIDARG;
    *ppTInfo = new (std::nothrow) CTypeInfo(&desc, nullptr, container, index);
    return *ppTInfo != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CTypeInfo::CreateForCoClass(const CoClassDesc& desc, const TypeLibDesc* container, UINT index, ITypeInfo** ppTInfo)
{
    if (ppTInfo == nullptr)
        return E_INVALIDARG;
    *ppTInfo = new (std::nothrow) CTypeInfo(nullptr, &desc, container, index);
    return *ppTInfo != nullptr ? S_OK : E_OUTOFMEMORY;
}

UINT CTypeInfo::FuncCount() const
{
    if (iface == nullptr)
        return 0;
    UINT n = 0;
    for (UINT i = 0; i < iface->memberCount; ++i)
        n += iface->members[i].kind == DispMemberKind::Property ? 2 : 1;
    return n;
}

const DispMemberDesc* CTypeInfo::FuncMember(UINT index, INVOKEKIND* kind) const
{
    if (iface == nullptr)
        return nullptr;
    for (UINT i = 0; i < iface->memberCount; ++i) {
        const DispMemberDesc& m = iface->members[i];
        if (m.kind == DispMemberKind::Method) {
            if (index == 0) {
                *kind = INVOKE_FUNC;
                return &m;
            }
            --index;
        } else {
            if (index < 2) {
                *kind = index == 0 ? INVOKE_PROPERTYGET : INVOKE_PROPERTYPUT;
                return &m;
            }
            index -= 2;
        }
    }
    return nullptr;
}

HRESULT CTypeInfo::GetTypeAttr(TYPEATTR** ppTypeAttr)
{
    if (ppTypeAttr == nullptr)
        return E_INVALIDARG;
    auto* attr = new (std::nothrow) TYPEATTR{};
    if (attr == nullptr)
        return E_OUTOFMEMORY;
    if (iface != nullptr) {
        attr->guid = iface->iid;
        attr->typekind = TKIND_DISPATCH;
        attr->cFuncs = static_cast<WORD>(FuncCount());
        attr->wTypeFlags = static_cast<WORD>(iface->typeFlags | TYPEFLAG_FDISPATCHABLE);
    } else {
        attr->guid = coclass->clsid;
        attr->typekind = TKIND_COCLASS;
        attr->cImplTypes = static_cast<WORD>((coclass->defaultInterface != nullptr) + (coclass->defaultSource != nullptr));
        attr->wTypeFlags = coclass->typeFlags;
    }
    if (container != nullptr) {
        attr->lcid = container->lcid;
        attr->wMajorVerNum = container->majorVersion;
        attr->wMinorVerNum = container->minorVersion;
    }
    *ppTypeAttr = attr;
    return S_OK;
}

HRESULT CTypeInfo::GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc)
{
    if (ppFuncDesc == nullptr)
        return E_INVALIDARG;
    *ppFuncDesc = nullptr;
    INVOKEKIND kind = INVOKE_FUNC;
    const DispMemberDesc* m = FuncMember(index, &kind);
    if (m == nullptr)
        return TYPE_E_ELEMENTNOTFOUND;
    auto* fd = new (std::nothrow) FUNCDESC{};
    if (fd == nullptr)
        return E_OUTOFMEMORY;
    fd->memid = m->dispid;
    fd->invkind = kind;
    UINT count = 0;
    if (kind == INVOKE_FUNC)
        count = m->paramCount;
    else if (kind == INVOKE_PROPERTYPUT)
        count = 1;
    ELEMDESC* params = nullptr;
    if (count > 0) {
        params = new (std::nothrow) ELEMDESC[count];
        if (params == nullptr) {
            delete fd;
            return E_OUTOFMEMORY;
        }
        for (UINT i = 0; i < count; ++i) {
            const VARTYPE vt = kind == INVOKE_FUNC ? m->params[i].vt : m->vt;
            params[i].vt = vt;
            params[i].wParamFlags = (vt & VT_BYREF) != 0 ? PARAMFLAG_FIN | PARAMFLAG_FOUT : PARAMFLAG_FIN;
        }
    }
    fd->cParams = static_cast<SHORT>(count);
    fd->lprgelemdescParam = params;
    fd->elemdescFunc.vt = kind == INVOKE_PROPERTYPUT ? static_cast<VARTYPE>(VT_EMPTY) : m->vt;
    *ppFuncDesc = fd;
    return S_OK;
}

void CTypeInfo::ReleaseFuncDesc(FUNCDESC* pFuncDesc)
{
    if (pFuncDesc == nullptr)
        return;
    delete[] pFuncDesc->lprgelemdescParam;
    delete pFuncDesc;
}

void CTypeInfo::ReleaseTypeAttr(TYPEATTR* pTypeAttr)
{
    delete pTypeAttr;
}

HRESULT CTypeInfo::GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames)
{
    if (rgBstrNames == nullptr || pcNames == nullptr)
        return E_INVALIDARG;
    *pcNames = 0;
    const DispMemberDesc* member = nullptr;
    for (UINT i = 0; iface != nullptr && i < iface->memberCount; ++i)
        if (iface->members[i].dispid == memid)
            member = &iface->members[i];
    if (member == nullptr)
        return TYPE_E_ELEMENTNOTFOUND;
    const UINT total = 1 + (member->kind == DispMemberKind::Method ? member->paramCount : 0);
    for (UINT n = 0; n < total && n < cMaxNames; ++n) {
        const OLECHAR* name = n == 0 ? member->name : member->params[n - 1].name;
        rgBstrNames[n] = SysAllocString(name != nullptr ? name : L"");
        if (rgBstrNames[n] == nullptr) {
            for (UINT k = 0; k < n; ++k)
                SysFreeString(rgBstrNames[k]);
            return E_OUTOFMEMORY;
        }
        *pcNames = n + 1;
    }
    return S_OK;
}

HRESULT CTypeInfo::GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType)
{
    if (pRefType == nullptr)
        return E_INVALIDARG;
    if (coclass == nullptr || container == nullptr)
        return TYPE_E_ELEMENTNOTFOUND;
    const DispInterfaceDesc* impl[2];
    UINT n = 0;
    if (coclass->defaultInterface != nullptr)
        impl[n++] = coclass->defaultInterface;
    if (coclass->defaultSource != nullptr)
        impl[n++] = coclass->defaultSource;
    if (index >= n)
        return TYPE_E_ELEMENTNOTFOUND;
    const UINT at = CDispatchTable::IndexInLibrary(*impl[index], container);
    if (at >= container->interfaceCount)
        return TYPE_E_ELEMENTNOTFOUND;
    *pRefType = at;
    return S_OK;
}

HRESULT CTypeInfo::GetImplTypeFlags(UINT index, INT* pImplTypeFlags)
{
    if (pImplTypeFlags == nullptr)
        return E_INVALIDARG;
    if (coclass == nullptr)
        return TYPE_E_ELEMENTNOTFOUND;
    const bool hasInterface = coclass->defaultInterface != nullptr;
    const bool hasSource = coclass->defaultSource != nullptr;
    if (index == 0 && hasInterface)
        *pImplTypeFlags = IMPLTYPEFLAG_FDEFAULT;
    else if ((index == 0 && !hasInterface && hasSource) || (index == 1 && hasInterface && hasSource))
        *pImplTypeFlags = IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE;
    else
        return TYPE_E_ELEMENTNOTFOUND;
    return S_OK;
}

HRESULT CTypeInfo::GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId)
{
    if (iface == nullptr)
        return DISP_E_UNKNOWNNAME;
    return CDispatchTable::NamesToIds(*iface, rgszNames, cNames, pMemId);
}

HRESULT CTypeInfo::Invoke(void* pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                          EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    if (pvInstance == nullptr)
        return E_INVALIDARG;
    if (iface == nullptr)
        return TYPE_E_ELEMENTNOTFOUND;
    return static_cast<IDispatch*>(pvInstance)->Invoke(memid, IID_NULL, LOCALE_USER_DEFAULT, wFlags, pDispParams,
                                                       pVarResult, pExcepInfo, puArgErr);
}

HRESULT CTypeInfo::GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                    BSTR* pBstrHelpFile)
{
    const OLECHAR* name = nullptr;
    const OLECHAR* help = nullptr;
    if (memid == MEMBERID_NIL) {
        name = iface != nullptr ? iface->name : coclass->name;
        help = iface != nullptr ? iface->helpString : coclass->helpString;
    } else {
        for (UINT i = 0; iface != nullptr && i < iface->memberCount; ++i)
            if (iface->members[i].dispid == memid) {
                name = iface->members[i].name;
                help = iface->members[i].helpString;
            }
        if (name == nullptr)
            return TYPE_E_ELEMENTNOTFOUND;
    }
    if (pdwHelpContext != nullptr)
        *pdwHelpContext = 0;
    BSTR n = nullptr, d = nullptr, f = nullptr;
    HRESULT hr = Doc(name, pBstrName != nullptr ? &n : nullptr);
    if (SUCCEEDED(hr))
        hr = Doc(help, pBstrDocString != nullptr ? &d : nullptr);
    if (SUCCEEDED(hr))
        hr = Doc(container != nullptr ? container->helpFile : nullptr, pBstrHelpFile != nullptr ? &f : nullptr);
    if (FAILED(hr)) {
        SysFreeString(n);
        SysFreeString(d);
        SysFreeString(f);
        return hr;
    }
    if (pBstrName != nullptr)
        *pBstrName = n;
    if (pBstrDocString != nullptr)
        *pBstrDocString = d;
    if (pBstrHelpFile != nullptr)
        *pBstrHelpFile = f;
    return S_OK;
}

HRESULT CTypeInfo::GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo)
{
    if (ppTInfo == nullptr)
        return E_INVALIDARG;
    *ppTInfo = nullptr;
    if (container == nullptr || hRefType >= container->interfaceCount)
        return TYPE_E_ELEMENTNOTFOUND;
    return CreateForInterface(*container->interfaces[hRefType], container, hRefType, ppTInfo);
}

HRESULT CTypeInfo::GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex)
{
    if (ppTLib == nullptr)
        return E_INVALIDARG;
    *ppTLib = nullptr;
    if (container == nullptr)
        return E_NOTIMPL;
    const HRESULT hr = CTypeLib::Create(*container, ppTLib);
    if (SUCCEEDED(hr) && pIndex != nullptr)
        *pIndex = typeIndex;
    return hr;
}
