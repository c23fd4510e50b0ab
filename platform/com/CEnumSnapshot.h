#pragma once

// An enumerator over a copy of a list taken when it was made (connections, connection
// points). Items are interface pointers or records holding one; each handed out carries
// a reference of its own.

#include <atomic>
#include <new>
#include <vector>

#include "platform/com/ConnectionPoints.h"

inline void AddRefItem(CONNECTDATA& item) { item.pUnk->AddRef(); }
inline void ReleaseItem(CONNECTDATA& item) { item.pUnk->Release(); }
inline void AddRefItem(IConnectionPoint* item) { item->AddRef(); }
inline void ReleaseItem(IConnectionPoint* item) { item->Release(); }

template <class IEnum, class T, const IID& kIid>
class CEnumSnapshot final : public IEnum {
public:
    // Takes a reference on each item.
    static HRESULT Create(const std::vector<T>& items, IEnum** ppEnum)
    {
        if (ppEnum == nullptr)
            return E_POINTER;
        *ppEnum = nullptr;
        CEnumSnapshot* e = nullptr;
        try {
            e = new CEnumSnapshot(items);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        *ppEnum = e;
        return S_OK;
    }

    CEnumSnapshot(const CEnumSnapshot&) = delete;
    CEnumSnapshot& operator=(const CEnumSnapshot&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIid)) {
            *ppv = static_cast<IEnum*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override
    {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

    // S_FALSE when fewer than requested were left.
    HRESULT Next(ULONG count, T* out, ULONG* pcFetched) override
    {
        if (out == nullptr || (count > 1 && pcFetched == nullptr))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && pos_ < items_.size()) {
            out[n] = items_[pos_++];
            AddRefItem(out[n]);
            ++n;
        }
        if (pcFetched != nullptr)
            *pcFetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override
    {
        const std::size_t left = items_.size() - pos_;
        if (count > left) {
            pos_ = items_.size();
            return S_FALSE;
        }
        pos_ += count;
        return S_OK;
    }
    HRESULT Reset() override
    {
        pos_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnum** ppEnum) override
    {
        IEnum* copy = nullptr;
        const HRESULT hr = Create(items_, &copy);
        if (SUCCEEDED(hr))
            static_cast<CEnumSnapshot*>(copy)->pos_ = pos_;
        if (ppEnum != nullptr)
            *ppEnum = copy;
        return hr;
    }

private:
    explicit CEnumSnapshot(const std::vector<T>& items) : items_(items)
    {
        for (T& item : items_)
            AddRefItem(item);
    }
    ~CEnumSnapshot()
    {
        for (T& item : items_)
            ReleaseItem(item);
    }

    std::vector<T> items_;
    std::size_t pos_ = 0;
    std::atomic<ULONG> refs_{1};
};
