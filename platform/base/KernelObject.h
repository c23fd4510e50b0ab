#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/base/Types.h"

// A waitable object behind a HANDLE: an event or a thread. It is signalled or not;
// an auto-reset object lets exactly one waiter through per signal.
// Handles are checked against the live objects, so a closed or bogus handle fails cleanly.
class KernelObject {
public:
    KernelObject(bool manualReset, bool signalled) noexcept;
    virtual ~KernelObject();
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;

    void Signal() noexcept;
    void Reset() noexcept;
    DWORD Wait(DWORD milliseconds) noexcept;

    void AddRef() noexcept;
    void Release() noexcept;

    // Registers the object and returns its handle (the object holds one reference for it).
    HANDLE Publish() noexcept;
    // The live object behind a handle with one reference added, or nullptr.
    static KernelObject* Acquire(HANDLE handle) noexcept;
    // Forgets the handle and drops its reference; FALSE if it was not live.
    static BOOL Close(HANDLE handle) noexcept;

private:
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled;
    const bool manualReset;
    std::atomic<int> references{1};
};

// Releases an acquired object at the end of a scope.
class KernelObjectRef {
public:
    explicit KernelObjectRef(HANDLE handle) noexcept : object(KernelObject::Acquire(handle)) {}
    ~KernelObjectRef()
    {
        if (object) object->Release();
    }
    KernelObjectRef(const KernelObjectRef&) = delete;
    KernelObjectRef& operator=(const KernelObjectRef&) = delete;
    KernelObject* get() const noexcept { return object; }
    KernelObject* operator->() const noexcept { return object; }
    explicit operator bool() const noexcept { return object != nullptr; }

private:
    KernelObject* object;
};

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) noexcept;
BOOL CloseHandle(HANDLE handle) noexcept;
