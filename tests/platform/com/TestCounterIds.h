#pragma once

// Identities of the tests' Counter module, shared by the module and the tests.

#include "platform/com/Automation.h"

// A second build of the module (COUNTER_VARIANT 2) has identities of its own.
#ifndef COUNTER_VARIANT
#define COUNTER_VARIANT 1
#endif
#define COUNTER_ID(n) (0x6E1C0000u + 0x100u * (COUNTER_VARIANT - 1) + (n))
#define COUNTER_STR2(x) #x
#define COUNTER_STR(x) COUNTER_STR2(x)

inline constexpr CLSID CLSID_Counter{COUNTER_ID(1), 0x5A5A, 0x4C4C, {0x80, 0x01, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55}};
inline constexpr IID IID_DCounter{COUNTER_ID(2), 0x5A5A, 0x4C4C, {0x80, 0x01, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55}};
inline constexpr IID IID_DCounterEvents{COUNTER_ID(3), 0x5A5A, 0x4C4C, {0x80, 0x01, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55}};
inline constexpr GUID LIBID_CounterLib{COUNTER_ID(4), 0x5A5A, 0x4C4C, {0x80, 0x01, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55}};
inline constexpr char kCounterProgId[] = "CALYRIX.TestCounter." COUNTER_STR(COUNTER_VARIANT);

constexpr DISPID kDispValue = 1;
constexpr DISPID kDispAdd = 2;
constexpr DISPID kDispGetBoth = 3;
constexpr DISPID kDispNameLength = 4;
constexpr DISPID kEventChanged = 1;
