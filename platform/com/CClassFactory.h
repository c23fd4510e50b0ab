#pragma once

// A class factory for one class of a module, meant to be a static object of the module.
// References to it and LockServer count as locks of the module, so DllCanUnloadNow
// answers S_FALSE while a client holds the factory. LockServer(FALSE) only undoes a
// LockServer(TRUE) of the same factory: one too many answers E_UNEXPECTED and leaves the
// module's count alone, so it cannot release a lock that a factory reference holds.

#include <atomic>
#include <cstddef>

#include "platform/com/CComModule.h"
#include "platform/com/Unknown.h"

class CClassFactory final : public IClassFactory {
public:
    // Creates an object; pUnkOuter non-null only when the class allows aggregation.
    using CreateFunction = HRESULT (*)(IUnknown* pUnkOuter, REFIID riid, void** ppv);

    CClassFactory(CComModule& module, REFCLSID clsid, CreateFunction create, bool allowAggregation);
    CClassFactory(const CClassFactory&) = delete;
    CClassFactory& operator=(const CClassFactory&) = delete;

    const CLSID& GetClassID() const { return clsid_; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    HRESULT LockServer(BOOL fLock) override;

    // The body of a module's DllGetClassObject: finds the factory of rclsid among
    // factories[0..count) and hands out riid (IClassFactory or IUnknown).
    // CLASS_E_CLASSNOTAVAILABLE for an unknown class.
    static HRESULT GetClassObject(CClassFactory* const* factories, std::size_t count, REFCLSID rclsid,
                                  REFIID riid, void** ppv);

private:
    CComModule& module_;
    CLSID clsid_;
    CreateFunction create_;
    bool allowAggregation_;
    std::atomic<LONG> serverLocks_{0};
};
