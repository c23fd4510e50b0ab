#pragma once

#include <string>

#include "platform/base/Types.h"

// The backend choice read from CALYRIX_WAVEOUT:
//   unset or empty                      ALSA
//   none                                no device
//   virtual:N[,speed=F][,capture=PATH]  N virtual devices at F times real time, appending
//                                       every byte played to PATH (the rest of the value)
struct WaveOutConfig {
    enum class Kind { Alsa, None, Virtual, Invalid };

    Kind kind = Kind::Alsa;
    UINT devices = 0;
    double speed = 1.0;
    std::string capture;
    std::string error;  // why an Invalid value was refused

    static WaveOutConfig Parse(const char* value);
    static WaveOutConfig FromEnvironment();
};
