#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/base/Types.h"

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A window that only receives messages. Any thread may post to its HWND; the messages
// wait in its queue until the owner's thread pumps them, and are then handed to the
// handler on that thread, in the order they were posted.
//
// An owner with an event loop of its own sets a wake-up callback: it is called on the
// posting thread after every post, with the message just queued, and must only schedule
// a PumpMessages on the owner's thread or take note of the message (it must not block,
// post, or destroy the window). An owner without one waits with WaitMessage and pumps.
class MessageWindow {
public:
    using Handler = std::function<void(UINT message, WPARAM wParam, LPARAM lParam)>;

    explicit MessageWindow(Handler handler);
    // The handle dies first: IsWindow is FALSE and posting fails from then on.
    // Messages still queued are dropped.
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND GetSafeHwnd() const noexcept { return hwnd; }

    void SetWakeUp(std::function<void(const MSG&)> wakeUp);

    // Hands every queued message to the handler, including those the handler itself
    // posts meanwhile; may be called again from inside the handler. Returns the count.
    int PumpMessages();
    // Waits until a message is queued; FALSE on time-out.
    BOOL WaitMessage(DWORD milliseconds);

    // For PostMessage: queues under the registry lock, so the window is alive.
    void Enqueue(const MSG& msg);

private:
    bool Dequeue(MSG& msg);

    HWND hwnd;
    Handler handler;
    std::function<void(const MSG&)> wakeUp;
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<MSG> queue;
};

// Queues the message for the window's owner and returns at once; FALSE when hwnd is
// not a live window (or the queue cannot grow).
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
BOOL IsWindow(HWND hwnd) noexcept;
