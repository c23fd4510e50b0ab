#pragma once

#include "platform/base/Interlocked.h"
#include "platform/com/Unknown.h"

// IUnknown of a small object that shows one interface and is never aggregated
// (enumerators, class factories, type information, media samples). The count starts at
// initialCount; the last Release calls LastRelease, which deletes the object unless the
// class hands it back to an owner instead.
template <class Interface, const IID& iid>
class CSimpleUnknown : public Interface {
public:
    CSimpleUnknown(const CSimpleUnknown&) = delete;
    CSimpleUnknown& operator=(const CSimpleUnknown&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, iid)) {
            *ppv = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

    ULONG AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refCount)); }

    ULONG Release() override
    {
        const LONG count = InterlockedDecrement(&refCount);
        if (count == 0)
            LastRelease();
        return static_cast<ULONG>(count);
    }

protected:
    explicit CSimpleUnknown(LONG initialCount) noexcept : refCount(initialCount) {}
    virtual ~CSimpleUnknown() = default;
    virtual void LastRelease() noexcept { delete this; }

private:
    volatile LONG refCount;
};
