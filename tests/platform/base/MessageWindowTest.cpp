#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/base/Win32.h"

namespace {

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::thread::id thread;
};

}  // namespace

TEST(MessageWindow, PostedMessagesArriveInOrderOnThePumpingThread)
{
    std::vector<Received> got;
    MessageWindow window([&](UINT m, WPARAM w, LPARAM l) {
        got.push_back({m, w, l, std::this_thread::get_id()});
    });
    HWND hwnd = window.GetSafeHwnd();
    EXPECT_TRUE(IsWindow(hwnd));

    std::thread poster([&] {
        for (int i = 0; i < 100; ++i) EXPECT_TRUE(PostMessage(hwnd, WM_APP + 1, i, -i));
        EXPECT_TRUE(PostMessage(hwnd, WM_APP, 0, 0));
    });
    poster.join();
    EXPECT_TRUE(got.empty()) << "posting never delivers on the poster's thread";

    EXPECT_EQ(window.PumpMessages(), 101);
    ASSERT_EQ(got.size(), 101u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(got[i].message, WM_APP + 1);
        EXPECT_EQ(got[i].wParam, WPARAM(i));
        EXPECT_EQ(got[i].lParam, LPARAM(-i));
        EXPECT_EQ(got[i].thread, std::this_thread::get_id());
    }
    EXPECT_EQ(got.back().message, WM_APP);
    EXPECT_EQ(window.PumpMessages(), 0);
}

TEST(MessageWindow, WaitMessageWakesForAPostFromAnotherThread)
{
    int count = 0;
    MessageWindow window([&](UINT, WPARAM, LPARAM) { ++count; });
    EXPECT_FALSE(window.WaitMessage(10));
    std::thread poster([&] { PostMessage(window.GetSafeHwnd(), WM_COMMAND, 1020, 0); });
    EXPECT_TRUE(window.WaitMessage(5000));
    poster.join();
    window.PumpMessages();
    EXPECT_EQ(count, 1);
}

TEST(MessageWindow, HandlerMayPostToItsOwnWindow)
{
    std::vector<UINT> got;
    HWND self = nullptr;
    MessageWindow window([&](UINT m, WPARAM, LPARAM) {
        got.push_back(m);
        if (m == WM_COMMAND) PostMessage(self, WM_APP, 0, 0);
    });
    self = window.GetSafeHwnd();
    PostMessage(self, WM_COMMAND, 0, 0);
    EXPECT_EQ(window.PumpMessages(), 2);
    EXPECT_EQ(got, (std::vector<UINT>{WM_COMMAND, WM_APP}));
}

TEST(MessageWindow, WakeUpIsCalledForEveryPost)
{
    std::atomic<int> wakes{0};
    std::atomic<LPARAM> lastParam{0};
    MessageWindow window([](UINT, WPARAM, LPARAM) {});
    window.SetWakeUp([&](const MSG& msg) {
        ++wakes;
        lastParam = msg.lParam;
    });
    PostMessage(window.GetSafeHwnd(), WM_APP, 0, 5);
    std::thread([&] { PostMessage(window.GetSafeHwnd(), WM_APP, 0, 7); }).join();
    EXPECT_EQ(wakes.load(), 2);
    EXPECT_EQ(lastParam.load(), 7);
}

TEST(MessageWindow, ADestroyedWindowRejectsPostsAndIsNeverReused)
{
    HWND old;
    {
        MessageWindow window([](UINT, WPARAM, LPARAM) {});
        old = window.GetSafeHwnd();
        PostMessage(old, WM_APP, 0, 0);  // dropped with the window
    }
    EXPECT_FALSE(IsWindow(old));
    EXPECT_FALSE(PostMessage(old, WM_APP, 0, 0));
    MessageWindow next([](UINT, WPARAM, LPARAM) {});
    EXPECT_NE(next.GetSafeHwnd(), old);
    EXPECT_FALSE(IsWindow(nullptr));
}
