#pragma once

#include "platform/base/CriticalSection.h"

// A re-entrant lock object: a critical section initialised and deleted with its owner.
class CCritSec {
public:
    CCritSec() noexcept { InitializeCriticalSection(&section); }
    ~CCritSec() { DeleteCriticalSection(&section); }
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;

    void Lock() noexcept { EnterCriticalSection(&section); }
    void Unlock() noexcept { LeaveCriticalSection(&section); }
    LPCRITICAL_SECTION Section() noexcept { return &section; }

private:
    CRITICAL_SECTION section;
};

// Holds a lock object or a bare critical section for a scope: the one lock guard of the tree.
class CAutoLock {
public:
    explicit CAutoLock(CCritSec* lock) noexcept : CAutoLock(lock->Section()) {}
    explicit CAutoLock(LPCRITICAL_SECTION section) noexcept : section(section) { EnterCriticalSection(section); }
    ~CAutoLock() { LeaveCriticalSection(section); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    LPCRITICAL_SECTION section;
};
