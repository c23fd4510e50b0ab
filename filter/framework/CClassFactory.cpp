#include "filter/framework/CClassFactory.h"

#include <new>

#include "platform/base/Interlocked.h"

namespace {
volatile LONG serverLocks = 0;
}

namespace framework {

CClassFactory::CClassFactory(const CFactoryTemplate* entry) noexcept : CSimpleUnknown(0), entry(entry) {}

HRESULT CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter != nullptr && !IsEqualIID(riid, IID_IUnknown))
        return E_NOINTERFACE;
    if (entry->m_lpfnNew == nullptr)
        return CLASS_E_CLASSNOTAVAILABLE;
    HRESULT hr = S_OK;
    CUnknown* object = entry->CreateInstance(pUnkOuter, &hr);
    if (object == nullptr)
        return FAILED(hr) ? hr : E_OUTOFMEMORY;
    if (FAILED(hr)) {
        delete object;
        return hr;
    }
    // The temporary reference keeps a refused interface from leaving the object alive.
    object->NonDelegatingAddRef();
    hr = object->NonDelegatingQueryInterface(riid, ppv);
    object->NonDelegatingRelease();
    return hr;
}

HRESULT CClassFactory::LockServer(BOOL fLock)
{
    if (fLock) {
        InterlockedIncrement(&locks);
        InterlockedIncrement(&serverLocks);
        return S_OK;
    }
    for (;;) {
        const LONG held = InterlockedExchangeAdd(&locks, 0);
        if (held <= 0)
            return E_UNEXPECTED;
        if (InterlockedCompareExchange(&locks, held - 1, held) == held)
            break;
    }
    InterlockedDecrement(&serverLocks);
    return S_OK;
}

bool CClassFactory::IsLocked() noexcept
{
    return InterlockedExchangeAdd(&serverLocks, 0) != 0;
}

} // namespace framework

HRESULT FrameworkGetClassObject(const CFactoryTemplate* templates, int count, REFCLSID rclsid, REFIID riid,
                                void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
        return E_NOINTERFACE;
    for (int i = 0; i < count; ++i) {
        if (!templates[i].IsClassID(rclsid))
            continue;
        auto* factory = new (std::nothrow) framework::CClassFactory(&templates[i]);
        if (factory == nullptr)
            return E_OUTOFMEMORY;
        factory->AddRef();
        *ppv = static_cast<IClassFactory*>(factory);
        return S_OK;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT FrameworkCanUnloadNow()
{
    return CUnknown::ObjectsActive() != 0 || framework::CClassFactory::IsLocked() ? S_FALSE : S_OK;
}
