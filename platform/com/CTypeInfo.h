#pragma once

// Type information built from a static description: a dispatch interface
// (TKIND_DISPATCH, one FUNCDESC per method and per property access) or a coclass
// (TKIND_COCLASS, its default interface and default source as implemented types).

#include "platform/com/CSimpleUnknown.h"
#include "platform/com/DispatchDescription.h"

class CTypeInfo final : public CSimpleUnknown<ITypeInfo, IID_ITypeInfo> {
public:
    // container may be null (then GetContainingTypeLib answers E_NOTIMPL); index is the
    // type's index in it. The new object holds one reference, handed to *ppTInfo.
    static HRESULT CreateForInterface(const DispInterfaceDesc& desc, const TypeLibDesc* container,
                                      UINT index, ITypeInfo** ppTInfo);
    static HRESULT CreateForCoClass(const CoClassDesc& desc, const TypeLibDesc* container, UINT index,
                                    ITypeInfo** ppTInfo);

    CTypeInfo(const CTypeInfo&) = delete;
    CTypeInfo& operator=(const CTypeInfo&) = delete;

    HRESULT GetTypeAttr(TYPEATTR** ppTypeAttr) override;
    HRESULT GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) override;
    HRESULT GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) override;
    HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) override;
    HRESULT GetImplTypeFlags(UINT index, INT* pImplTypeFlags) override;
    HRESULT GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) override;
    // pvInstance is the object's IDispatch; the call is passed to its Invoke.
    HRESULT Invoke(void* pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;
    HRESULT GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                             DWORD* pdwHelpContext, BSTR* pBstrHelpFile) override;
    HRESULT GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) override;
    HRESULT GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) override;
    void ReleaseTypeAttr(TYPEATTR* pTypeAttr) override;
    void ReleaseFuncDesc(FUNCDESC* pFuncDesc) override;

private:
    CTypeInfo(const DispInterfaceDesc* iface, const CoClassDesc* coclass, const TypeLibDesc* container,
              UINT index);
    ~CTypeInfo() override;

    UINT FuncCount() const;
    // The member behind FUNCDESC index, and the access it describes.
    const DispMemberDesc* FuncMember(UINT index, INVOKEKIND* kind) const;

    const DispInterfaceDesc* iface;
    const CoClassDesc* coclass;
    const TypeLibDesc* container;
    UINT typeIndex;
};
