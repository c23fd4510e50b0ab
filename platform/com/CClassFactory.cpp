#include "platform/com/CClassFactory.h"

CClassFactory::CClassFactory(CComModule& module, REFCLSID clsid, CreateFunction create, bool allowAggregation)
    : module_(module), clsid_(clsid), create_(create), allowAggregation_(allowAggregation)
{
}

HRESULT CClassFactory::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

// A static object: references only keep the module loaded.
ULONG CClassFactory::AddRef()
{
    module_.Lock();
    return 2;
}

ULONG CClassFactory::Release()
{
    module_.Unlock();
    return 1;
}

HRESULT CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter != nullptr && (!allowAggregation_ || !IsEqualIID(riid, IID_IUnknown)))
        return CLASS_E_NOAGGREGATION;
    if (create_ == nullptr)
        return E_UNEXPECTED;
    return create_(pUnkOuter, riid, ppv);
}

HRESULT CClassFactory::LockServer(BOOL fLock)
{
    if (fLock) {
        serverLocks_.fetch_add(1, std::memory_order_relaxed);
        module_.Lock();
        return S_OK;
    }
    LONG held = serverLocks_.load(std::memory_order_relaxed);
    do {
        if (held <= 0)
            return E_UNEXPECTED;
    } while (!serverLocks_.compare_exchange_weak(held, held - 1, std::memory_order_acq_rel));
    module_.Unlock();
    return S_OK;
}

HRESULT CClassFactory::GetClassObject(CClassFactory* const* factories, std::size_t count, REFCLSID rclsid, REFIID riid,
                                      void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        if (factories[i] != nullptr && IsEqualCLSID(factories[i]->GetClassID(), rclsid))
            return factories[i]->QueryInterface(riid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}
