#include "platform/base/Memory.h"

#include <cstdlib>
#include <cstring>

namespace {

thread_local int failCountdown = 0;

bool ShouldFail() noexcept
{
    if (failCountdown <= 0) return false;
    return --failCountdown == 0;
}

// Every block carries its size in front so GlobalSize can answer; the header keeps
// the block aligned for any type.
struct alignas(std::max_align_t) BlockHeader {
    std::size_t bytes;
    std::size_t magic;
};
constexpr std::size_t Magic = 0x47424c4bu;

BlockHeader* HeaderOf(void* memory) noexcept
{
    if (!memory) return nullptr;
    auto* header = static_cast<BlockHeader*>(memory) - 1;
    return header->magic == Magic ? header : nullptr;
}

void* Allocate(std::size_t bytes, bool zero) noexcept
{
    if (ShouldFail() || bytes > (std::size_t(-1) >> 1)) return nullptr;
    void* raw = zero ? std::calloc(1, sizeof(BlockHeader) + bytes)
                     : std::malloc(sizeof(BlockHeader) + bytes);
    if (!raw) return nullptr;
    auto* header = static_cast<BlockHeader*>(raw);
    header->bytes = bytes;
    header->magic = Magic;
    return header + 1;
}

void Free(BlockHeader* header) noexcept
{
    header->magic = 0;
    std::free(header);
}

HANDLE const ProcessHeapHandle = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-2));

}  // namespace

void FailAllocationForTesting(int count) noexcept
{
    failCountdown = count;
}

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) noexcept
{
    return Allocate(bytes, (flags & GMEM_ZEROINIT) != 0);
}

HGLOBAL GlobalFree(HGLOBAL memory) noexcept
{
    BlockHeader* header = HeaderOf(memory);
    if (!header) return memory;
    Free(header);
    return nullptr;
}

LPVOID GlobalLock(HGLOBAL memory) noexcept
{
    return HeaderOf(memory) ? memory : nullptr;
}

BOOL GlobalUnlock(HGLOBAL memory) noexcept
{
    return HeaderOf(memory) ? TRUE : FALSE;
}

std::size_t GlobalSize(HGLOBAL memory) noexcept
{
    BlockHeader* header = HeaderOf(memory);
    return header ? header->bytes : 0;
}

HANDLE GetProcessHeap() noexcept
{
    return ProcessHeapHandle;
}

LPVOID HeapAlloc(HANDLE heap, DWORD flags, std::size_t bytes) noexcept
{
    if (heap != ProcessHeapHandle) return nullptr;
    return Allocate(bytes, (flags & HEAP_ZERO_MEMORY) != 0);
}

BOOL HeapFree(HANDLE heap, DWORD, LPVOID memory) noexcept
{
    if (heap != ProcessHeapHandle) return FALSE;
    if (!memory) return TRUE;
    BlockHeader* header = HeaderOf(memory);
    if (!header) return FALSE;
    Free(header);
    return TRUE;
}
