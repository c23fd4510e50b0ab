#pragma once

// The live-object and lock counts of one component module, behind its DllCanUnloadNow.
// Each module has one static instance; the objects and factories of the module count
// themselves in it.

#include <atomic>

#include "platform/base/Types.h"

class CComModule {
public:
    CComModule() = default;
    CComModule(const CComModule&) = delete;
    CComModule& operator=(const CComModule&) = delete;

    void ObjectCreated() { objects_.fetch_add(1, std::memory_order_relaxed); }
    void ObjectDestroyed() { objects_.fetch_sub(1, std::memory_order_acq_rel); }
    void Lock() { locks_.fetch_add(1, std::memory_order_relaxed); }
    void Unlock() { locks_.fetch_sub(1, std::memory_order_acq_rel); }

    LONG GetObjectCount() const { return objects_.load(std::memory_order_acquire); }
    LONG GetLockCount() const { return locks_.load(std::memory_order_acquire); }

    // S_OK when no object is alive and no lock is held, else S_FALSE.
    HRESULT CanUnloadNow() const { return GetObjectCount() == 0 && GetLockCount() == 0 ? S_OK : S_FALSE; }

private:
    std::atomic<LONG> objects_{0};
    std::atomic<LONG> locks_{0};
};
