#include "platform/base/KernelObject.h"

#include <chrono>
#include <unordered_set>

namespace {

std::mutex& RegistryMutex()
{
    static std::mutex m;
    return m;
}

std::unordered_set<HANDLE>& Registry()
{
    static std::unordered_set<HANDLE> live;
    return live;
}

}  // namespace

KernelObject::KernelObject(bool manualReset, bool signalled) noexcept
    : signalled(signalled), manualReset(manualReset)
{
}

KernelObject::~KernelObject() = default;

void KernelObject::Signal() noexcept
{
    {
        std::lock_guard lock(mutex);
        signalled = true;
    }
    if (manualReset) changed.notify_all();
    else changed.notify_one();
}

void KernelObject::Reset() noexcept
{
    std::lock_guard lock(mutex);
    signalled = false;
}

DWORD KernelObject::Wait(DWORD milliseconds) noexcept
{
    std::unique_lock lock(mutex);
    if (milliseconds == INFINITE) {
        changed.wait(lock, [this] { return signalled; });
    } else {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        if (!changed.wait_until(lock, deadline, [this] { return signalled; })) return WAIT_TIMEOUT;
    }
    if (!manualReset) signalled = false;
    return WAIT_OBJECT_0;
}

void KernelObject::AddRef() noexcept
{
    references.fetch_add(1, std::memory_order_relaxed);
}

void KernelObject::Release() noexcept
{
    if (references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

HANDLE KernelObject::Publish() noexcept
{
    HANDLE handle = this;
    std::lock_guard lock(RegistryMutex());
    Registry().insert(handle);
    return handle;
}

KernelObject* KernelObject::Acquire(HANDLE handle) noexcept
{
    std::lock_guard lock(RegistryMutex());
    if (handle == nullptr || !Registry().count(handle)) return nullptr;
    auto* object = static_cast<KernelObject*>(handle);
    object->AddRef();
    return object;
}

BOOL KernelObject::Close(HANDLE handle) noexcept
{
    {
        std::lock_guard lock(RegistryMutex());
        if (handle == nullptr || Registry().erase(handle) == 0) return FALSE;
    }
    static_cast<KernelObject*>(handle)->Release();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) noexcept
{
    KernelObjectRef object(handle);
    if (!object) return WAIT_FAILED;
    return object->Wait(milliseconds);
}

BOOL CloseHandle(HANDLE handle) noexcept
{
    return KernelObject::Close(handle);
}
