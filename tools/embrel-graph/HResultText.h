#pragma once

#include <string>

#include "platform/base/Types.h"

// An HRESULT as embrel-graph prints it: hex, with its name and meaning where known,
// e.g. "0x80030070 (STG_E_MEDIUMFULL: the disk is full)".
std::string HResultText(HRESULT hr);
