#include "filter/framework/CUnknown.h"

#include "platform/base/Interlocked.h"

namespace {
volatile LONG objectsActive = 0;
}

CUnknown::CUnknown(LPCWSTR name, IUnknown* outer) noexcept
    : inner(*this), owner(outer != nullptr ? outer : &inner), objectName(name)
{
    InterlockedIncrement(&objectsActive);
}

CUnknown::~CUnknown()
{
    InterlockedDecrement(&objectsActive);
}

LONG CUnknown::ObjectsActive() noexcept
{
    return InterlockedExchangeAdd(&objectsActive, 0);
}

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown)) {
        *ppv = &inner;
        inner.AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingAddRef()
{
    const LONG count = InterlockedIncrement(&refCount);
    return static_cast<ULONG>(count > 1 ? count : 1);
}

ULONG CUnknown::NonDelegatingRelease()
{
    const LONG count = InterlockedDecrement(&refCount);
    if (count == 0) {
        // Guards against a re-entrant final release while the destructor runs.
        refCount = 1;
        delete this;
        return 0;
    }
    return static_cast<ULONG>(count > 1 ? count : 1);
}

HRESULT CUnknown::GetInterface(IUnknown* unknown, void** ppv) noexcept
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = unknown;
    unknown->AddRef();
    return S_OK;
}
