#include "platform/com/CComObjectRoot.h"

CComObjectRoot::CComObjectRoot(IUnknown* pUnkOuter, CComModule* module)
    : inner_(*this), owner_(pUnkOuter != nullptr ? pUnkOuter : &inner_), module_(module)
{
    if (module_ != nullptr)
        module_->ObjectCreated();
}

CComObjectRoot::~CComObjectRoot()
{
    if (module_ != nullptr)
        module_->ObjectDestroyed();
}

HRESULT CComObjectRoot::Inner::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown)) {
        *ppv = this;
        AddRef();
        return S_OK;
    }
    const HRESULT hr = root_.QueryOwnInterface(riid, ppv);
    if (FAILED(hr)) {
        *ppv = nullptr;
        return hr;
    }
    if (*ppv == nullptr)
        return E_NOINTERFACE;
    // Through the interface, so that an aggregated object adds the reference to its owner.
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
}

ULONG CComObjectRoot::Inner::AddRef()
{
    return ++root_.refs_;
}

ULONG CComObjectRoot::Inner::Release()
{
    const ULONG left = --root_.refs_;
    if (left == 0) {
        // Guards against a destructor that passes references around.
        root_.refs_ = 1;
        delete &root_;
    }
    return left;
}
