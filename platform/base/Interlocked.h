#pragma once

#include "platform/base/Types.h"

// Atomic counters with full barriers; each returns the value the system's calls return.
inline LONG InterlockedIncrement(LONG volatile* target) noexcept
{
    return __atomic_add_fetch(target, 1, __ATOMIC_SEQ_CST);
}

inline LONG InterlockedDecrement(LONG volatile* target) noexcept
{
    return __atomic_sub_fetch(target, 1, __ATOMIC_SEQ_CST);
}

// Returns the previous value.
inline LONG InterlockedExchange(LONG volatile* target, LONG value) noexcept
{
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

// Returns the previous value.
inline LONG InterlockedExchangeAdd(LONG volatile* target, LONG value) noexcept
{
    return __atomic_fetch_add(target, value, __ATOMIC_SEQ_CST);
}

// Stores exchange when *target equals comparand; returns the previous value either way.
inline LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand) noexcept
{
    __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return comparand;
}
