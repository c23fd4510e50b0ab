#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "platform/base/Win32.h"

using namespace std::chrono;

namespace {

struct Gate {
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> ran{0};
    ~Gate() { CloseHandle(go); }
};

DWORD WaitThenReturn42(LPVOID p)
{
    auto* gate = static_cast<Gate*>(p);
    gate->ran = 1;
    WaitForSingleObject(gate->go, INFINITE);
    return 42;
}

}  // namespace

TEST(Thread, ExitCodeIsStillActiveUntilTheRoutineReturns)
{
    Gate gate;
    DWORD id = 0;
    HANDLE t = CreateThread(nullptr, 0, WaitThenReturn42, &gate, 0, &id);
    ASSERT_NE(t, nullptr);
    EXPECT_NE(id, 0u);

    DWORD code = 0;
    EXPECT_EQ(WaitForSingleObject(t, 20), WAIT_TIMEOUT);
    EXPECT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, STILL_ACTIVE);

    SetEvent(gate.go);
    EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0) << "an ended thread stays signalled";
    EXPECT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_FALSE(SetEvent(t)) << "a thread is not an event";
    EXPECT_TRUE(CloseHandle(t));
}

TEST(Thread, CreatedSuspendedRunsOnlyAfterResume)
{
    Gate gate;
    SetEvent(gate.go);
    HANDLE t = CreateThread(nullptr, 0, WaitThenReturn42, &gate, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(WaitForSingleObject(t, 30), WAIT_TIMEOUT);
    EXPECT_EQ(gate.ran.load(), 0);
    EXPECT_EQ(ResumeThread(t), 1u);
    EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(gate.ran.load(), 1);
    EXPECT_EQ(ResumeThread(t), 0u);
    CloseHandle(t);
}

TEST(Thread, ClosingTheHandleLeavesTheThreadRunning)
{
    Gate gate;
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    struct Args { Gate* gate; HANDLE done; } args{&gate, done};
    HANDLE t = CreateThread(nullptr, 0, [](LPVOID p) -> DWORD {
        auto* a = static_cast<Args*>(p);
        WaitForSingleObject(a->gate->go, INFINITE);
        SetEvent(a->done);
        return 0;
    }, &args, 0, nullptr);
    EXPECT_TRUE(CloseHandle(t));
    DWORD code = 0;
    EXPECT_FALSE(GetExitCodeThread(t, &code));
    SetEvent(gate.go);
    EXPECT_EQ(WaitForSingleObject(done, 5000), WAIT_OBJECT_0);
    CloseHandle(done);
}

TEST(Thread, SleepWaitsAtLeastTheGivenTime)
{
    auto start = steady_clock::now();
    Sleep(20);
    EXPECT_GE(steady_clock::now() - start, milliseconds(20));
    Sleep(0);
}
