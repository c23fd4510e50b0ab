#pragma once

#include <vector>

#include "program/audio/OutputDeviceInfo.h"

// The process-wide list of wave-out devices, one entry per device id in id order.
// Built once when the main window starts and cleared when it closes.
class OutputDeviceList {
public:
    OutputDeviceList() = delete;

    // Appends an entry for every device; 1, or 0 when an entry could not be created
    // (the entries made so far stay).
    static int Enumerate() noexcept;
    static int GetCount() noexcept;
    // nullptr for an index outside the list.
    static const OutputDeviceInfo* GetEntry(int index) noexcept;
    static void Clear() noexcept;

private:
    static std::vector<OutputDeviceInfo*>& Entries() noexcept;
};
