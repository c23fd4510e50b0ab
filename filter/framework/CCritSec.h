#pragma once

#include "platform/base/CriticalSection.h"

// A re-entrant lock object; CAutoLock holds it for a scope.
class CCritSec {
public:
    CCritSec() noexcept { InitializeCriticalSection(&section); }
    ~CCritSec() { DeleteCriticalSection(&section); }
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;

    void Lock() noexcept { EnterCriticalSection(&section); }
    void Unlock() noexcept { LeaveCriticalSection(&section); }

private:
    CRITICAL_SECTION section;
};

class CAutoLock {
public:
    explicit CAutoLock(CCritSec* lock) noexcept : lock(lock) { lock->Lock(); }
    ~CAutoLock() { lock->Unlock(); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CCritSec* lock;
};
