#pragma once

// The root interfaces of the component layer. Interfaces are abstract classes whose
// methods return HRESULTs and never throw; objects are created and destroyed by their
// modules, never deleted through an interface pointer.

#include "platform/base/Types.h"
#include "platform/com/ComErrors.h"

using OLECHAR = wchar_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using LPCLSID = CLSID*;
using LCID = DWORD;
using SCODE = LONG;

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

inline constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class IUnknown {
public:
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

// The shape every enumerator interface shares (IEnumPins, IEnumConnections, ...): Next hands
// out up to celt items with a reference each, Skip passes over items, Reset starts again,
// Clone copies the enumerator at its position. Self is the enumerator interface itself.
template <class Self, class Item>
class IEnumOf : public IUnknown {
public:
    virtual HRESULT Next(ULONG celt, Item* rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT Skip(ULONG celt) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(Self** ppEnum) = 0;

protected:
    ~IEnumOf() = default;
};

class IClassFactory : public IUnknown {
public:
    // pUnkOuter non-null asks for an aggregated object; riid must then be IID_IUnknown.
    virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
    virtual HRESULT LockServer(BOOL fLock) = 0;

protected:
    ~IClassFactory() = default;
};

// Signatures of a module's exports, looked up by name after dlopen.
using PFN_DllGetClassObject = HRESULT (*)(REFCLSID rclsid, REFIID riid, void** ppv);
using PFN_DllCanUnloadNow = HRESULT (*)();
using PFN_DllRegisterServer = HRESULT (*)();
using PFN_DllUnregisterServer = HRESULT (*)();

// Modules export these with C linkage and default visibility.
#define CALYRIX_COM_EXPORT extern "C" __attribute__((visibility("default")))
