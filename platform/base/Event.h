#pragma once

#include "platform/base/KernelObject.h"

// Events: CreateEventA(nullptr, FALSE, FALSE, nullptr) gives an auto-reset event, created
// non-signalled. Named events are not shared between processes; the name is ignored.
HANDLE CreateEventA(void* attributes, BOOL manualReset, BOOL initialState, LPCSTR name) noexcept;
BOOL SetEvent(HANDLE event) noexcept;
BOOL ResetEvent(HANDLE event) noexcept;
