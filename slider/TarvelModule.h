#pragma once

#include <string>

#include "platform/com/CComModule.h"

// The fader module's live-object and lock counts.
CComModule& TarvelModule();

// Absolute path of the loaded module file, as it is registered.
std::string TarvelModulePath();
