#pragma once

// An enumerator over a copy of a list taken when it was made (connections, connection
// points). Items are interface pointers or records holding one; each handed out carries
// a reference of its own.

#include <new>
#include <vector>

#include "platform/com/CSimpleUnknown.h"
#include "platform/com/ConnectionPoints.h"

inline void AddRefItem(CONNECTDATA& item) { item.pUnk->AddRef(); }
inline void ReleaseItem(CONNECTDATA& item) { item.pUnk->Release(); }
inline void AddRefItem(IConnectionPoint* item) { item->AddRef(); }
inline void ReleaseItem(IConnectionPoint* item) { item->Release(); }

template <class IEnum, class T, const IID& kIid>
class CEnumSnapshot final : public CSimpleUnknown<IEnum, kIid> {
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

    // S_FALSE when fewer than requested were left.
    HRESULT Next(ULONG count, T* out, ULONG* pcFetched) override
    {
        if (out == nullptr || (count > 1 && pcFetched == nullptr))
            return E_POINTER;
        ULONG n = 0;
        while (n < count && position < items.size()) {
            out[n] = items[position++];
            AddRefItem(out[n]);
            ++n;
        }
        if (pcFetched != nullptr)
            *pcFetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override
    {
        const std::size_t left = items.size() - position;
        if (count > left) {
            position = items.size();
            return S_FALSE;
        }
        position += count;
        return S_OK;
    }
    HRESULT Reset() override
    {
        position = 0;
        return S_OK;
    }
    HRESULT Clone(IEnum** ppEnum) override
    {
        IEnum* copy = nullptr;
        const HRESULT hr = Create(items, &copy);
        if (SUCCEEDED(hr))
            static_cast<CEnumSnapshot*>(copy)->position = position;
        if (ppEnum != nullptr)
            *ppEnum = copy;
        return hr;
    }

private:
    explicit CEnumSnapshot(const std::vector<T>& items) : CSimpleUnknown<IEnum, kIid>(1), items(items)
    {
        for (T& item : this->items)
            AddRefItem(item);
    }
    ~CEnumSnapshot() override
    {
        for (T& item : items)
            ReleaseItem(item);
    }

    std::vector<T> items;
    std::size_t position = 0;
};
