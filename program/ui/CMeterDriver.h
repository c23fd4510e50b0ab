#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CLevelMeter;

// Drives the level meters from its own thread: every period it reads each meter's levels
// through the callback and lights the lamps. Paused and resumed by Run; the thread has
// ended before the driver is freed.
class CMeterDriver {
public:
    // (slot, current dB, held dB, over flag)
    using GetLevelsFn = std::function<void(int, int*, int*, int*)>;

    CMeterDriver() = default;
    ~CMeterDriver();
    CMeterDriver(const CMeterDriver&) = delete;
    CMeterDriver& operator=(const CMeterDriver&) = delete;

    // Meter i shows the callback's slot i; a meter already driven is not added again.
    void AddMeter(CLevelMeter* meter);
    // Creates the thread, paused. The hold times are whole periods, rounded down.
    void Start(GetLevelsFn callback, int barSteps, int divisor, int periodMs, int overHoldMs, int peakHoldMs);
    // Ticks while on; ignored before Start and when nothing changes. Never waits for a tick.
    void Run(bool on);
    // Ends the thread and waits for it; the driver stays usable for Tick.
    void End();
    bool IsRunning() const;
    void Tick();
    int GetShownPeak(int meter) const;

private:
    struct MeterState {
        CLevelMeter* meter = nullptr;
        unsigned overHold = 0;
        unsigned peakHold = 0;
        int shownPeak = -9999;
    };

    void ThreadMain();
    int StepOf(int level) const;

    GetLevelsFn callback;
    std::vector<MeterState> meters;
    int barSteps = 18;
    int divisor = 18;
    int periodMs = 170;
    unsigned overHoldTicks = 1;
    unsigned peakHoldTicks = 0;

    mutable std::mutex tickLock;  // one Tick at a time, and the meters' counters
    mutable std::mutex stateLock;
    std::condition_variable wake;
    bool running = false;
    bool ending = false;
    std::thread thread;
};
