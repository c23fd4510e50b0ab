#pragma once

#include "platform/base/Types.h"

// One wave-out device's capability record.
struct OutputDeviceInfo {
    WORD manufacturerId;
    WORD productId;
    DWORD driverVersion;
    char deviceName[32];
    DWORD formats;   // standard formats supported (WAVE_FORMAT_* mask)
    WORD channels;
    DWORD support;   // optional functions supported (WAVECAPS_* mask)
};
