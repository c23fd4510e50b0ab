#pragma once

#include <chrono>
#include <thread>

// Polls condition every millisecond until it holds or limit passes; returns whether it held.
// Tests wait on what they need to see instead of sleeping a fixed time.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
