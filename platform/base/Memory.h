#pragma once

#include <cstddef>

#include "platform/base/Types.h"

// Global memory and the process heap. A block's handle is its address for every kind
// (fixed and movable alike), so GlobalLock returns the handle itself.
using HGLOBAL = HANDLE;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GMEM_SHARE = GMEM_DDESHARE;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) noexcept;
// Returns nullptr on success, the handle when it was not a live block.
HGLOBAL GlobalFree(HGLOBAL memory) noexcept;
LPVOID GlobalLock(HGLOBAL memory) noexcept;
BOOL GlobalUnlock(HGLOBAL memory) noexcept;
std::size_t GlobalSize(HGLOBAL memory) noexcept;

constexpr DWORD HEAP_ZERO_MEMORY = 0x00000008;
HANDLE GetProcessHeap() noexcept;
LPVOID HeapAlloc(HANDLE heap, DWORD flags, std::size_t bytes) noexcept;
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID memory) noexcept;

// Test seam: the count-th global or heap allocation from now on, on the calling
// thread, fails (1 = the next one). 0 turns it off.
void FailAllocationForTesting(int count) noexcept;
