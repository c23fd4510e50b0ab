#pragma once

#include "platform/base/Types.h"

// The result type and the codes every multimedia service (file I/O, wave-out) uses;
// each service adds its own codes.
using MMRESULT = UINT;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
