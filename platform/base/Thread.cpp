#include "platform/base/Thread.h"

#include <atomic>
#include <chrono>
#include <new>
#include <thread>

namespace {

std::atomic<DWORD> nextThreadId{1};
thread_local DWORD currentThreadId = 0;

class ThreadObject final : public KernelObject {
public:
    ThreadObject(LPTHREAD_START_ROUTINE routine, LPVOID parameter, bool suspended) noexcept
        : KernelObject(true, false), routine(routine), parameter(parameter),
          id(nextThreadId.fetch_add(1)), started(suspended ? 0 : 1)
    {
    }

    static void Main(ThreadObject* self) noexcept
    {
        self->started.wait(0);
        currentThreadId = self->id;
        self->exitCode.store(self->routine(self->parameter));
        self->Signal();
        self->Release();  // the thread's own reference
    }

    DWORD Resume() noexcept
    {
        int expected = 0;
        if (!started.compare_exchange_strong(expected, 1)) return 0;
        started.notify_one();
        return 1;
    }

    DWORD ExitCode() const noexcept { return exitCode.load(); }
    DWORD Id() const noexcept { return id; }

private:
    LPTHREAD_START_ROUTINE routine;
    LPVOID parameter;
    DWORD id;
    std::atomic<int> started;
    std::atomic<DWORD> exitCode{STILL_ACTIVE};
};

}  // namespace

HANDLE CreateThread(void*, std::size_t, LPTHREAD_START_ROUTINE routine, LPVOID parameter,
                    DWORD creationFlags, DWORD* threadId) noexcept
{
    if (!routine) return nullptr;
    auto* thread = new (std::nothrow)
        ThreadObject(routine, parameter, (creationFlags & CREATE_SUSPENDED) != 0);
    if (!thread) return nullptr;
    thread->AddRef();  // held by the running thread
    try {
        std::thread(&ThreadObject::Main, thread).detach();
    } catch (...) {
        thread->Release();
        thread->Release();
        return nullptr;
    }
    if (threadId) *threadId = thread->Id();
    return thread->Publish();
}

DWORD ResumeThread(HANDLE thread) noexcept
{
    KernelObjectRef object(thread);
    auto* t = dynamic_cast<ThreadObject*>(object.get());
    if (!t) return 0xFFFFFFFFu;
    return t->Resume();
}

BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode) noexcept
{
    KernelObjectRef object(thread);
    auto* t = dynamic_cast<ThreadObject*>(object.get());
    if (!t || !exitCode) return FALSE;
    *exitCode = t->ExitCode();
    return TRUE;
}

DWORD GetCurrentThreadId() noexcept
{
    if (currentThreadId == 0) currentThreadId = nextThreadId.fetch_add(1);
    return currentThreadId;
}

void Sleep(DWORD milliseconds) noexcept
{
    if (milliseconds == 0) std::this_thread::yield();
    else std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
