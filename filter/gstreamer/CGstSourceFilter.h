#pragma once

#include "filter/framework/CBaseFilter.h"
#include "filter/gstreamer/CGstSourcePin.h"

// The upstream end of the element's filter chain: a filter with one output pin whose
// format is the one negotiated on the element's sink pad.
class CGstSourceFilter final : public CBaseFilter {
public:
    // With one reference.
    static CGstSourceFilter* CreateInstance() noexcept;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? &pin : nullptr; }
    CGstSourcePin& Pin() noexcept { return pin; }

private:
    CGstSourceFilter() noexcept;

    CCritSec filterLock;
    CGstSourcePin pin;
};
