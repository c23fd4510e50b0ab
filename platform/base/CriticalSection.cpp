#include "platform/base/CriticalSection.h"

void InitializeCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    if (section->initialised) return;
    new (section->storage) std::recursive_mutex();
    section->initialised = true;
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    if (!section->initialised) return;
    section->Mutex().~recursive_mutex();
    section->initialised = false;
}

void EnterCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    section->Mutex().lock();
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    section->Mutex().unlock();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) noexcept
{
    return section->Mutex().try_lock() ? TRUE : FALSE;
}
