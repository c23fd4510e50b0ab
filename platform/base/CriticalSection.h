#pragma once

#include <mutex>
#include <new>

#include "platform/base/Types.h"

// A recursive lock in the shape of the system's critical section: initialise before use,
// delete after the last use. The owning thread may enter it again; each Enter needs a Leave.
struct CRITICAL_SECTION {
    alignas(std::recursive_mutex) unsigned char storage[sizeof(std::recursive_mutex)];
    bool initialised = false;

    std::recursive_mutex& Mutex() noexcept
    {
        return *std::launder(reinterpret_cast<std::recursive_mutex*>(storage));
    }
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

void InitializeCriticalSection(LPCRITICAL_SECTION section) noexcept;
void DeleteCriticalSection(LPCRITICAL_SECTION section) noexcept;
void EnterCriticalSection(LPCRITICAL_SECTION section) noexcept;
void LeaveCriticalSection(LPCRITICAL_SECTION section) noexcept;
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) noexcept;
