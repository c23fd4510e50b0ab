#pragma once

// A type library built from a static description: its dispatch interfaces first, in
// order, then its coclasses. A module returns one from its DllGetTypeLib.

#include "platform/com/CSimpleUnknown.h"
#include "platform/com/DispatchDescription.h"

class CTypeLib final : public CSimpleUnknown<ITypeLib, IID_ITypeLib> {
public:
    // The new object holds one reference, handed to *pptlib.
    static HRESULT Create(const TypeLibDesc& desc, ITypeLib** pptlib);

    CTypeLib(const CTypeLib&) = delete;
    CTypeLib& operator=(const CTypeLib&) = delete;

    UINT GetTypeInfoCount() override;
    HRESULT GetTypeInfo(UINT index, ITypeInfo** ppTInfo) override;
    HRESULT GetTypeInfoType(UINT index, TYPEKIND* pTKind) override;
    HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) override;
    HRESULT GetLibAttr(TLIBATTR** ppTLibAttr) override;
    HRESULT GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                             BSTR* pBstrHelpFile) override;
    void ReleaseTLibAttr(TLIBATTR* pTLibAttr) override;

private:
    explicit CTypeLib(const TypeLibDesc& desc);
    ~CTypeLib() override;

    const TypeLibDesc& desc;
};
