#pragma once

// IDispatch by table: an object that implements IDispatch forwards its four methods here.
// The table checks the call against the interface description (member, flags, argument
// count, argument types), converts the arguments to the declared types and hands them to
// the object's handler, so the handler sees only well-formed calls.

#include "platform/com/DispatchDescription.h"

class CDispatchTable {
public:
    class Handler {
    public:
        // *value is VT_EMPTY on entry; set it to the property's value.
        virtual HRESULT GetProperty(DISPID dispid, VARIANT* value) = 0;
        // value has the property's declared type.
        virtual HRESULT PutProperty(DISPID dispid, const VARIANT& value) = 0;
        // args[0..count) in declared order, each of its declared type; a by-reference
        // argument points at the caller's storage. *result is VT_EMPTY on entry, or
        // result is null when the caller wants none.
        virtual HRESULT CallMethod(DISPID dispid, VARIANT* args, UINT count, VARIANT* result) = 0;

    protected:
        ~Handler() = default;
    };

    // lib, when given, is the library that contains desc; type information then answers
    // GetContainingTypeLib.
    explicit CDispatchTable(const DispInterfaceDesc& desc, const TypeLibDesc* lib = nullptr);
    CDispatchTable(const CDispatchTable&) = delete;
    CDispatchTable& operator=(const CDispatchTable&) = delete;

    const DispInterfaceDesc& GetDescription() const { return desc; }
    const DispMemberDesc* FindMember(DISPID dispid) const;

    HRESULT GetTypeInfoCount(UINT* pctinfo) const;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) const;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) const;
    HRESULT Invoke(Handler& handler, DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) const;

    // Names to DISPIDs: rgszNames[0] is a member (case-insensitive), the others its
    // parameters, which get their positions. DISP_E_UNKNOWNNAME with DISPID_UNKNOWN for
    // names not found.
    static HRESULT NamesToIds(const DispInterfaceDesc& desc, LPOLESTR* rgszNames, UINT cNames, DISPID* rgDispId);
    // The position of desc in lib's interfaces, or lib->interfaceCount when absent.
    static UINT IndexInLibrary(const DispInterfaceDesc& desc, const TypeLibDesc* lib);

    // Most members take few arguments; larger calls get DISP_E_BADPARAMCOUNT.
    static constexpr UINT kMaxArgs = 8;

private:
    const DispInterfaceDesc& desc;
    const TypeLibDesc* library;
};
