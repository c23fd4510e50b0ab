#pragma once

// Static descriptions of dispatch interfaces, coclasses and type libraries. They drive
// CDispatchTable (invocation by DISPID, names), CTypeInfo and CTypeLib, and are meant to
// be constant tables of the module that owns them.

#include "platform/com/Automation.h"

enum class DispMemberKind { Property, Method };

struct DispParamDesc {
    const OLECHAR* name;
    VARTYPE vt; // VT_I4, VT_I4 | VT_BYREF, VT_BSTR, VT_BOOL, VT_I2, VT_R8
};

struct DispMemberDesc {
    DISPID dispid;
    const OLECHAR* name;
    DispMemberKind kind;
    VARTYPE vt; // property type, or method result (VT_EMPTY for none)
    const DispParamDesc* params; // methods only
    UINT paramCount;
    const OLECHAR* helpString; // may be null
};

struct DispInterfaceDesc {
    IID iid;
    const OLECHAR* name;
    const OLECHAR* helpString; // may be null
    WORD typeFlags;            // TYPEFLAG_*
    const DispMemberDesc* members;
    UINT memberCount;
};

struct CoClassDesc {
    CLSID clsid;
    const OLECHAR* name;
    const OLECHAR* helpString;
    WORD typeFlags; // TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL ...
    const DispInterfaceDesc* defaultInterface; // may be null
    const DispInterfaceDesc* defaultSource;    // may be null
};

struct TypeLibDesc {
    GUID libid;
    WORD majorVersion;
    WORD minorVersion;
    LCID lcid;
    WORD libFlags; // LIBFLAG_*
    const OLECHAR* name;
    const OLECHAR* helpString;
    const OLECHAR* helpFile;
    const DispInterfaceDesc* const* interfaces;
    UINT interfaceCount;
    const CoClassDesc* coclasses;
    UINT coclassCount;
};
