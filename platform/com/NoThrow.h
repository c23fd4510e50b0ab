#pragma once

// Component calls answer out of memory with E_OUTOFMEMORY, never an exception.

#include <new>

#include "platform/base/Types.h"

template <class F>
HRESULT CatchOutOfMemory(F body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
