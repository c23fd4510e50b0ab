#pragma once

#include "filter/framework/MediaInterfaces.h"

// The IUnknown of an object seen from its owner: never delegated to an outer object.
class INonDelegatingUnknown {
public:
    virtual HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG NonDelegatingAddRef() = 0;
    virtual ULONG NonDelegatingRelease() = 0;

protected:
    ~INonDelegatingUnknown() = default;
};

// Base of every object of the layer: the non-delegating IUnknown with an interlocked
// count, the owner that the object's interfaces delegate to (the outer object when
// aggregated), and the module's count of live objects.
class CUnknown : public INonDelegatingUnknown {
public:
    CUnknown(LPCWSTR name, IUnknown* outer) noexcept;
    CUnknown(const CUnknown&) = delete;
    CUnknown& operator=(const CUnknown&) = delete;

    HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
    ULONG NonDelegatingAddRef() override;
    ULONG NonDelegatingRelease() override;
    virtual ~CUnknown();

    IUnknown* GetOwner() const noexcept { return owner; }
    // The non-delegating IUnknown as an IUnknown: what a class factory hands out.
    IUnknown* GetInner() noexcept { return &inner; }
    LPCWSTR Name() const noexcept { return objectName; }

    // Live objects of the layer in this module.
    static LONG ObjectsActive() noexcept;

protected:
    // Hands out an interface with a reference on its owner.
    static HRESULT GetInterface(IUnknown* unknown, void** ppv) noexcept;

    volatile LONG refCount = 0;

private:
    class Inner final : public IUnknown {
    public:
        explicit Inner(CUnknown& object) noexcept : object(object) {}
        HRESULT QueryInterface(REFIID riid, void** ppv) override
        {
            return object.NonDelegatingQueryInterface(riid, ppv);
        }
        ULONG AddRef() override { return object.NonDelegatingAddRef(); }
        ULONG Release() override { return object.NonDelegatingRelease(); }

    private:
        CUnknown& object;
    };

    Inner inner;
    IUnknown* owner;
    LPCWSTR objectName;
};

// IUnknown of an interface implemented by a CUnknown: delegates to the owner.
#define DECLARE_IUNKNOWN                                                                          \
    HRESULT QueryInterface(REFIID riid, void** ppv) override                                    \
    {                                                                                           \
        return GetOwner()->QueryInterface(riid, ppv);                                           \
    }                                                                                           \
    ULONG AddRef() override { return GetOwner()->AddRef(); }                                    \
    ULONG Release() override { return GetOwner()->Release(); }
