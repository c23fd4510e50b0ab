#pragma once

// Every kernel and window-message call of the base layer.
#include "platform/base/CriticalSection.h"
#include "platform/base/Event.h"
#include "platform/base/Interlocked.h"
#include "platform/base/KernelObject.h"
#include "platform/base/Memory.h"
#include "platform/base/MessageWindow.h"
#include "platform/base/Process.h"
#include "platform/base/Thread.h"
#include "platform/base/Types.h"
#include "platform/base/WaveFormat.h"
