#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/base/CCritSec.h"
#include "platform/base/Win32.h"

using namespace std::chrono;

namespace {

struct Section {
    CRITICAL_SECTION cs;
    Section() { InitializeCriticalSection(&cs); }
    ~Section() { DeleteCriticalSection(&cs); }
};

}  // namespace

TEST(CriticalSection, IsRecursiveForTheOwnerAndExcludesOthers)
{
    Section s;
    EnterCriticalSection(&s.cs);
    EnterCriticalSection(&s.cs);  // the owner enters again without blocking

    BOOL otherGotIt = TRUE;
    std::thread([&] { otherGotIt = TryEnterCriticalSection(&s.cs); }).join();
    EXPECT_FALSE(otherGotIt);

    LeaveCriticalSection(&s.cs);
    std::thread([&] { otherGotIt = TryEnterCriticalSection(&s.cs); }).join();
    EXPECT_FALSE(otherGotIt) << "one Leave must not release a lock entered twice";

    LeaveCriticalSection(&s.cs);
    std::thread([&] {
        otherGotIt = TryEnterCriticalSection(&s.cs);
        if (otherGotIt) LeaveCriticalSection(&s.cs);
    }).join();
    EXPECT_TRUE(otherGotIt);
}

TEST(CriticalSection, SerialisesReadModifyWrite)
{
    Section s;
    int counter = 0;  // plain int: only the lock protects it (ThreadSanitizer checks this)
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                CAutoLock lock(&s.cs);
                counter = counter + 1;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter, 40000);
}

TEST(Event, AutoResetLetsOneWaitThroughPerSignal)
{
    HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT) << "created non-signalled";

    EXPECT_TRUE(SetEvent(e));
    EXPECT_TRUE(SetEvent(e));  // signals do not count up
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT) << "the wait must reset it";

    EXPECT_TRUE(SetEvent(e));
    EXPECT_TRUE(ResetEvent(e));
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(e));
}

TEST(Event, ManualResetAndInitialStateStaySignalled)
{
    HANDLE e = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    ResetEvent(e);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    CloseHandle(e);
}

TEST(Event, TimedWaitTimesOutAfterTheDelayAndWakesOnSignal)
{
    HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    auto start = steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(e, 30), WAIT_TIMEOUT);
    EXPECT_GE(steady_clock::now() - start, milliseconds(30));

    std::thread setter([&] {
        std::this_thread::sleep_for(milliseconds(10));
        SetEvent(e);
    });
    EXPECT_EQ(WaitForSingleObject(e, INFINITE), WAIT_OBJECT_0);
    setter.join();

    // Two waiters, two signals: each gets through exactly once.
    std::atomic<int> through{0};
    std::thread a([&] { if (WaitForSingleObject(e, 5000) == WAIT_OBJECT_0) ++through; });
    std::thread b([&] { if (WaitForSingleObject(e, 5000) == WAIT_OBJECT_0) ++through; });
    SetEvent(e);
    while (through.load() < 1) std::this_thread::yield();
    SetEvent(e);
    a.join();
    b.join();
    EXPECT_EQ(through.load(), 2);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    CloseHandle(e);
}

TEST(Event, ClosedOrBogusHandlesFail)
{
    HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_TRUE(CloseHandle(e));
    EXPECT_FALSE(CloseHandle(e));
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(e));
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    int notAHandle = 0;
    EXPECT_EQ(WaitForSingleObject(&notAHandle, 0), WAIT_FAILED);
}

TEST(Interlocked, CountersAreAtomicAndReturnTheSystemsValues)
{
    LONG volatile n = 0;
    EXPECT_EQ(InterlockedIncrement(&n), 1);
    EXPECT_EQ(InterlockedDecrement(&n), 0);
    EXPECT_EQ(InterlockedExchange(&n, 7), 0);
    EXPECT_EQ(InterlockedExchangeAdd(&n, 3), 7);
    EXPECT_EQ(InterlockedCompareExchange(&n, 1, 5), 10) << "no match: unchanged";
    EXPECT_EQ(n, 10);
    EXPECT_EQ(InterlockedCompareExchange(&n, 1, 10), 10);
    EXPECT_EQ(n, 1);

    n = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) InterlockedIncrement(&n);
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(n, 20000);
}

TEST(Memory, GlobalBlocksKnowTheirSizeAndZeroOnRequest)
{
    HGLOBAL g = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 100);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(GlobalSize(g), 100u);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(g));
    EXPECT_EQ(static_cast<void*>(bytes), g);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(bytes[i], 0);
    EXPECT_TRUE(GlobalUnlock(g));
    EXPECT_EQ(GlobalFree(g), nullptr);

    LPVOID h = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 16);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, h));
}

TEST(Memory, FailureInjectionHitsTheCountedAllocationOnly)
{
    FailAllocationForTesting(2);
    HGLOBAL first = GlobalAlloc(GMEM_FIXED, 8);
    HGLOBAL second = GlobalAlloc(GMEM_FIXED, 8);
    HGLOBAL third = GlobalAlloc(GMEM_FIXED, 8);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_NE(third, nullptr);
    GlobalFree(first);
    GlobalFree(third);
    FailAllocationForTesting(0);
}
