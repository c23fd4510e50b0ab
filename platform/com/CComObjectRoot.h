#pragma once

// Base of a component object that can be aggregated. It owns the reference count and
// the non-delegating IUnknown; the interfaces of the derived class delegate their
// IUnknown methods to the owner (the outer object when aggregated, else the inner one)
// with CALYRIX_DELEGATING_IUNKNOWN.
//
//   class CThing : public CComObjectRoot, public IPersistStream {
//   public:
//       CALYRIX_DELEGATING_IUNKNOWN
//   protected:
//       HRESULT QueryOwnInterface(REFIID riid, void** ppv) override;
//   };

#include <atomic>
#include <new>
#include <utility>

#include "platform/com/CComModule.h"
#include "platform/com/Unknown.h"

class CComObjectRoot {
public:
    CComObjectRoot(const CComObjectRoot&) = delete;
    CComObjectRoot& operator=(const CComObjectRoot&) = delete;

    // The non-delegating IUnknown: what a class factory hands out, and what an
    // aggregating outer object keeps.
    IUnknown* GetInner() { return &inner_; }
    // The IUnknown every interface of this object delegates to.
    IUnknown* GetOwner() const { return owner_; }
    bool IsAggregated() const { return owner_ != &inner_; }

    HRESULT OwnerQueryInterface(REFIID riid, void** ppv) { return owner_->QueryInterface(riid, ppv); }
    ULONG OwnerAddRef() { return owner_->AddRef(); }
    ULONG OwnerRelease() { return owner_->Release(); }

    // Creates the object, then hands out riid from its inner IUnknown. With an outer
    // object riid must be IID_IUnknown. The object is deleted again when riid is refused.
    template <class T, class... Args>
    static HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv, Args&&... args);

protected:
    // module may be null for objects that do not keep a module loaded.
    CComObjectRoot(IUnknown* pUnkOuter, CComModule* module);
    virtual ~CComObjectRoot();

    // Sets *ppv to the interface and returns S_OK, or returns E_NOINTERFACE. No AddRef:
    // the root adds the reference. IID_IUnknown is answered by the root.
    virtual HRESULT QueryOwnInterface(REFIID riid, void** ppv) = 0;

private:
    class Inner final : public IUnknown {
    public:
        explicit Inner(CComObjectRoot& root) : root_(root) {}
        HRESULT QueryInterface(REFIID riid, void** ppv) override;
        ULONG AddRef() override;
        ULONG Release() override;

    private:
        CComObjectRoot& root_;
    };

    Inner inner_;
    IUnknown* owner_;
    CComModule* module_;
    std::atomic<ULONG> refs_{0};
};

template <class T, class... Args>
HRESULT CComObjectRoot::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv, Args&&... args)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter != nullptr && !IsEqualIID(riid, IID_IUnknown))
        return CLASS_E_NOAGGREGATION;
    T* object = nullptr;
    try {
        object = new T(pUnkOuter, std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    IUnknown* inner = object->GetInner();
    inner->AddRef();
    const HRESULT hr = inner->QueryInterface(riid, ppv);
    inner->Release(); // deletes the object when riid was refused
    return hr;
}

#define CALYRIX_DELEGATING_IUNKNOWN                                                      \
    HRESULT QueryInterface(REFIID riid, void** ppv) override { return OwnerQueryInterface(riid, ppv); } \
    ULONG AddRef() override { return OwnerAddRef(); }                                     \
    ULONG Release() override { return OwnerRelease(); }
