#pragma once

#include "platform/base/KernelObject.h"

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);

constexpr DWORD CREATE_SUSPENDED = 0x00000004;
constexpr DWORD STILL_ACTIVE = 259;

// A thread handle is signalled once the thread has returned from its routine; the
// routine's result is then its exit code. The thread keeps running when its handle is closed.
// A thread created suspended starts at its first ResumeThread; SuspendThread is not offered
// (POSIX threads cannot be stopped from outside at an arbitrary point).
HANDLE CreateThread(void* attributes, std::size_t stackSize, LPTHREAD_START_ROUTINE routine,
                    LPVOID parameter, DWORD creationFlags, DWORD* threadId) noexcept;
// Returns the previous suspend count (1 for a thread created suspended, then 0), or
// 0xFFFFFFFF for a handle that is not a thread.
DWORD ResumeThread(HANDLE thread) noexcept;
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode) noexcept;
DWORD GetCurrentThreadId() noexcept;

// Sleep(0) gives up the rest of the time slice.
void Sleep(DWORD milliseconds) noexcept;
