#pragma once

#include "platform/base/Types.h"

constexpr DWORD IDLE_PRIORITY_CLASS = 0x00000040;
constexpr DWORD BELOW_NORMAL_PRIORITY_CLASS = 0x00004000;
constexpr DWORD NORMAL_PRIORITY_CLASS = 0x00000020;
constexpr DWORD ABOVE_NORMAL_PRIORITY_CLASS = 0x00008000;
constexpr DWORD HIGH_PRIORITY_CLASS = 0x00000080;
constexpr DWORD REALTIME_PRIORITY_CLASS = 0x00000100;

constexpr DWORD MAX_PATH = 260;

// The pseudo handle of the calling process; only SetPriorityClass takes it.
HANDLE GetCurrentProcess() noexcept;

// Moves every thread of the process to the nice value of the class. Raising priority
// needs privileges; without them the call returns FALSE and nothing changes. A class that
// would lower a thread below where it already runs leaves that thread as it is only when
// the class is HIGH or REALTIME, so repeated raises never undo a stronger setting.
BOOL SetPriorityClass(HANDLE process, DWORD priorityClass) noexcept;

// The temporary directory (TMPDIR, else /tmp), always ending in '/'. Returns the length
// written without the terminator, or, when the buffer is too small, the size needed
// including the terminator (nothing written); 0 on failure.
DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer) noexcept;

// Same result convention as GetTempPathA; no trailing separator.
DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) noexcept;
