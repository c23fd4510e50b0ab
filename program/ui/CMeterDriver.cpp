#include "program/ui/CMeterDriver.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <utility>

#include "program/ui/CLevelMeter.h"

CMeterDriver::~CMeterDriver()
{
    End();
}

void CMeterDriver::AddMeter(CLevelMeter* meter)
{
    std::lock_guard<std::mutex> guard(tickLock);
    for (const MeterState& m : meters)
        if (m.meter == meter) return;
    meters.push_back(MeterState{meter});
}

void CMeterDriver::Start(GetLevelsFn levels, int bars, int scaleDivisor, int period, int overHoldMs, int peakHoldMs)
{
    End();
    {
        std::lock_guard<std::mutex> guard(tickLock);
        callback = std::move(levels);
        barSteps = bars;
        divisor = scaleDivisor != 0 ? scaleDivisor : 1;
        periodMs = period > 0 ? period : 1;
        overHoldTicks = overHoldMs > 0 ? unsigned(overHoldMs / periodMs) : 0;
        peakHoldTicks = peakHoldMs > 0 ? unsigned(peakHoldMs / periodMs) : 0;
    }
    std::lock_guard<std::mutex> guard(stateLock);
    running = false;
    ending = false;
    thread = std::thread([this] { ThreadMain(); });
}

void CMeterDriver::Run(bool on)
{
    {
        std::lock_guard<std::mutex> guard(stateLock);
        if (!thread.joinable() || on == running) return;
        running = on;
    }
    wake.notify_all();
}

void CMeterDriver::End()
{
    {
        std::lock_guard<std::mutex> guard(stateLock);
        running = false;
        ending = true;
    }
    wake.notify_all();
    if (thread.joinable()) thread.join();
}

bool CMeterDriver::IsRunning() const
{
    std::lock_guard<std::mutex> guard(stateLock);
    return running;
}

void CMeterDriver::ThreadMain()
{
    std::unique_lock<std::mutex> state(stateLock);
    for (;;) {
        wake.wait(state, [this] { return running || ending; });
        if (ending) return;
        state.unlock();
        Tick();
        state.lock();
        wake.wait_for(state, std::chrono::milliseconds(periodMs), [this] { return !running || ending; });
    }
}

// The lamp that stands for a level: bar lamp s is s - barSteps dB at one dB per lamp. In 64
// bits, as the level of silence times the bar steps leaves the int range; levels off the
// scale end just below or above it.
int CMeterDriver::StepOf(int level) const
{
    const std::int64_t step = std::int64_t(level) * barSteps / divisor + barSteps;
    return int(std::clamp<std::int64_t>(step, -1, barSteps));
}

void CMeterDriver::Tick()
{
    std::lock_guard<std::mutex> guard(tickLock);
    if (!callback) return;
    for (std::size_t i = 0; i < meters.size(); ++i) {
        MeterState& m = meters[i];
        int current = -100, held = -100, over = 0;
        callback(int(i), &current, &held, &over);
        if (over) m.overHold = overHoldTicks;
        else if (m.overHold > 0) over = 1, --m.overHold;
        int peak = m.shownPeak;
        if (held > peak) m.peakHold = peakHoldTicks, peak = held;
        else if (m.peakHold == 0) peak = peak > INT32_MIN ? peak - 1 : peak;
        else --m.peakHold;
        m.shownPeak = peak;
        if (!m.meter) continue;
        m.meter->SetSegment(barSteps, over);
        const int currentStep = StepOf(current);
        const int peakStep = StepOf(peak);
        for (int s = 0; s < barSteps; ++s) m.meter->SetSegment(s, s <= currentStep || s == peakStep);
    }
}

int CMeterDriver::GetShownPeak(int meter) const
{
    std::lock_guard<std::mutex> guard(tickLock);
    return meter >= 0 && meter < int(meters.size()) ? meters[std::size_t(meter)].shownPeak : -9999;
}
