#include "platform/com/CDispatchTable.h"

#include <cwchar>

#include "platform/com/CTypeInfo.h"

CDispatchTable::CDispatchTable(const DispInterfaceDesc& desc, const TypeLibDesc* lib) : desc(desc), library(lib) {}

const DispMemberDesc* CDispatchTable::FindMember(DISPID dispid) const
{
    for (UINT i = 0; i < desc.memberCount; ++i)
        if (desc.members[i].dispid == dispid)
            return &desc.members[i];
    return nullptr;
}

UINT CDispatchTable::IndexInLibrary(const DispInterfaceDesc& desc, const TypeLibDesc* lib)
{
    if (lib == nullptr)
        return 0;
    for (UINT i = 0; i < lib->interfaceCount; ++i)
        if (lib->interfaces[i] == &desc || IsEqualIID(lib->interfaces[i]->iid, desc.iid))
            return i;
    return lib->interfaceCount;
}

HRESULT CDispatchTable::GetTypeInfoCount(UINT* pctinfo) const
{
    if (pctinfo == nullptr)
        return E_INVALIDARG;
    *pctinfo = 1;
    return S_OK;
}

HRESULT CDispatchTable::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) const
{
    if (ppTInfo == nullptr)
        return E_INVALIDARG;
    *ppTInfo = nullptr;
    if (iTInfo != 0)
        return DISP_E_BADINDEX;
    const UINT index = IndexInLibrary(desc, library);
    const TypeLibDesc* container = library != nullptr && index < library->interfaceCount ? library : nullptr;
    return CTypeInfo::CreateForInterface(desc, container, index, ppTInfo);
}

HRESULT CDispatchTable::NamesToIds(const DispInterfaceDesc& desc, LPOLESTR* rgszNames, UINT cNames, DISPID* rgDispId)
{
    if (rgszNames == nullptr || rgDispId == nullptr || cNames == 0)
        return E_INVALIDARG;
    for (UINT i = 0; i < cNames; ++i)
        rgDispId[i] = DISPID_UNKNOWN;
    const DispMemberDesc* member = nullptr;
    for (UINT i = 0; i < desc.memberCount && rgszNames[0] != nullptr; ++i)
        if (::wcscasecmp(desc.members[i].name, rgszNames[0]) == 0)
            member = &desc.members[i];
    if (member == nullptr)
        return DISP_E_UNKNOWNNAME;
    rgDispId[0] = member->dispid;
    HRESULT hr = S_OK;
    for (UINT n = 1; n < cNames; ++n) {
        for (UINT p = 0; p < member->paramCount && rgszNames[n] != nullptr; ++p)
            if (member->params[p].name != nullptr && ::wcscasecmp(member->params[p].name, rgszNames[n]) == 0)
                rgDispId[n] = static_cast<DISPID>(p);
        if (rgDispId[n] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT CDispatchTable::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) const
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    return NamesToIds(desc, rgszNames, cNames, rgDispId);
}

namespace {

void SetArgError(UINT* puArgErr, UINT index)
{
    if (puArgErr != nullptr)
        *puArgErr = index;
}

// The value behind a VT_VARIANT | VT_BYREF argument, as a container may pass it.
const VARIANT& Unwrap(const VARIANT& v)
{
    if (v.vt == (VT_VARIANT | VT_BYREF) && v.pvarVal != nullptr)
        return *v.pvarVal;
    return v;
}

HRESULT PutProperty(CDispatchTable::Handler& handler, const DispMemberDesc& member, const DISPPARAMS& params,
                    UINT* puArgErr)
{
    if (params.cArgs != 1)
        return DISP_E_BADPARAMCOUNT;
    if (params.cNamedArgs != 1 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
        return DISP_E_PARAMNOTFOUND;
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = VariantChangeType(&value, &Unwrap(params.rgvarg[0]), 0, member.vt);
    if (FAILED(hr)) {
        SetArgError(puArgErr, 0);
        return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
    }
    hr = handler.PutProperty(member.dispid, value);
    VariantClear(&value);
    return hr;
}

HRESULT GetProperty(CDispatchTable::Handler& handler, const DispMemberDesc& member, const DISPPARAMS& params,
                    VARIANT* pVarResult)
{
    if (params.cArgs != 0)
        return DISP_E_BADPARAMCOUNT;
    VARIANT value;
    VariantInit(&value);
    const HRESULT hr = handler.GetProperty(member.dispid, &value);
    if (SUCCEEDED(hr) && pVarResult != nullptr)
        *pVarResult = value;
    else
        VariantClear(&value);
    return hr;
}

// Argument i of the method from the caller's list, which arrives last first: a by-reference
// argument as given, any other changed to the declared type.
HRESULT TakeArgument(const DispMemberDesc& member, const DISPPARAMS& params, UINT i, VARIANT& arg,
                     UINT* puArgErr)
{
    const UINT source = params.cArgs - 1 - i;
    const VARIANT& given = params.rgvarg[source];
    const VARTYPE wanted = member.params[i].vt;
    HRESULT hr = S_OK;
    if ((wanted & VT_BYREF) != 0) {
        if (given.vt != wanted || given.byref == nullptr)
            hr = DISP_E_TYPEMISMATCH;
        else
            arg = given;
    } else {
        hr = VariantChangeType(&arg, &Unwrap(given), 0, wanted);
        if (FAILED(hr) && hr != DISP_E_OVERFLOW)
            hr = DISP_E_TYPEMISMATCH;
    }
    if (FAILED(hr))
        SetArgError(puArgErr, source);
    return hr;
}

HRESULT CallMethod(CDispatchTable::Handler& handler, const DispMemberDesc& member, const DISPPARAMS& params,
                   VARIANT* pVarResult, UINT* puArgErr)
{
    const UINT cArgs = params.cArgs;
    if (params.cNamedArgs > 0)
        return DISP_E_NONAMEDARGS;
    if (cArgs != member.paramCount || cArgs > CDispatchTable::kMaxArgs)
        return DISP_E_BADPARAMCOUNT;
    VARIANT args[CDispatchTable::kMaxArgs];
    for (UINT i = 0; i < cArgs; ++i)
        VariantInit(&args[i]);
    HRESULT hr = S_OK;
    for (UINT i = 0; i < cArgs && SUCCEEDED(hr); ++i)
        hr = TakeArgument(member, params, i, args[i], puArgErr);
    if (SUCCEEDED(hr)) {
        VARIANT result;
        VariantInit(&result);
        const bool wantsResult = pVarResult != nullptr && member.vt != VT_EMPTY;
        hr = handler.CallMethod(member.dispid, args, cArgs, wantsResult ? &result : nullptr);
        if (pVarResult != nullptr) {
            if (SUCCEEDED(hr) && wantsResult)
                *pVarResult = result;
            else
                VariantInit(pVarResult);
        }
    }
    for (UINT i = 0; i < cArgs; ++i)
        if ((args[i].vt & VT_BYREF) == 0)
            VariantClear(&args[i]);
    return hr;
}

} // namespace

HRESULT CDispatchTable::Invoke(Handler& handler, DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                               DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO*, UINT* puArgErr) const
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (pDispParams == nullptr || (pDispParams->cArgs > 0 && pDispParams->rgvarg == nullptr) ||
        (pDispParams->cNamedArgs > 0 && pDispParams->rgdispidNamedArgs == nullptr) ||
        pDispParams->cNamedArgs > pDispParams->cArgs)
        return E_INVALIDARG;
    const DispMemberDesc* member = FindMember(dispIdMember);
    if (member == nullptr)
        return DISP_E_MEMBERNOTFOUND;
    if (member->kind == DispMemberKind::Property) {
        if ((wFlags & DISPATCH_PROPERTYPUT) != 0)
            return PutProperty(handler, *member, *pDispParams, puArgErr);
        if ((wFlags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0)
            return GetProperty(handler, *member, *pDispParams, pVarResult);
        return DISP_E_MEMBERNOTFOUND;
    }
    if ((wFlags & DISPATCH_METHOD) == 0)
        return DISP_E_MEMBERNOTFOUND;
    return CallMethod(handler, *member, *pDispParams, pVarResult, puArgErr);
}
