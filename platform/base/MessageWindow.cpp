#include "platform/base/MessageWindow.h"

#include <chrono>
#include <unordered_map>

namespace {

std::mutex& RegistryMutex()
{
    static std::mutex m;
    return m;
}

// Handles are never reused, so a stale HWND can never reach a newer window.
std::unordered_map<HWND, MessageWindow*>& Registry()
{
    static std::unordered_map<HWND, MessageWindow*> windows;
    return windows;
}

std::uintptr_t nextHandle = 0x10000;

}  // namespace

MessageWindow::MessageWindow(Handler handler) : hwnd(nullptr), handler(std::move(handler))
{
    std::lock_guard lock(RegistryMutex());
    nextHandle += 0x10;
    hwnd = reinterpret_cast<HWND>(nextHandle);
    Registry().emplace(hwnd, this);
}

MessageWindow::~MessageWindow()
{
    std::lock_guard lock(RegistryMutex());
    Registry().erase(hwnd);
}

void MessageWindow::SetWakeUp(std::function<void(const MSG&)> callback)
{
    // Under the registry lock: posts call the wake-up while holding it.
    std::lock_guard lock(RegistryMutex());
    wakeUp = std::move(callback);
}

void MessageWindow::Enqueue(const MSG& msg)
{
    {
        std::lock_guard lock(mutex);
        queue.push_back(msg);
    }
    arrived.notify_all();
    if (wakeUp) wakeUp(msg);
}

bool MessageWindow::Dequeue(MSG& msg)
{
    std::lock_guard lock(mutex);
    if (queue.empty()) return false;
    msg = queue.front();
    queue.pop_front();
    return true;
}

int MessageWindow::PumpMessages()
{
    int count = 0;
    MSG msg;
    while (Dequeue(msg)) {
        ++count;
        if (handler) handler(msg.message, msg.wParam, msg.lParam);
    }
    return count;
}

BOOL MessageWindow::WaitMessage(DWORD milliseconds)
{
    std::unique_lock lock(mutex);
    auto ready = [this] { return !queue.empty(); };
    if (milliseconds == INFINITE) {
        arrived.wait(lock, ready);
        return TRUE;
    }
    return arrived.wait_for(lock, std::chrono::milliseconds(milliseconds), ready) ? TRUE : FALSE;
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        std::lock_guard lock(RegistryMutex());
        auto it = Registry().find(hwnd);
        if (it == Registry().end()) return FALSE;
        it->second->Enqueue(MSG{hwnd, message, wParam, lParam});
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    return PostMessage(hwnd, message, wParam, lParam);
}

BOOL IsWindow(HWND hwnd) noexcept
{
    std::lock_guard lock(RegistryMutex());
    return Registry().count(hwnd) ? TRUE : FALSE;
}
