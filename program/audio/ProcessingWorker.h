#pragma once

#include "platform/base/Types.h"

class SampleConverter;
class SaturationEngine;
struct WorkerContext;

// The block step, on the byte buffer after a read of byteCount bytes: PCM to floats,
// the engine's Process in place, floats back to PCM in the same buffer. Returns the
// frames processed (also kept in the converter).
int BlockStep(SampleConverter& converter, SaturationEngine& engine, unsigned char* bytes,
              float* samples, int byteCount) noexcept;

// Thread procedure of a run (context: a WorkerContext*). Offline: reads, processes and
// writes block after block under the run lock, posting WM_RUN_PROGRESS for each block,
// until a short block, a stop, and posts WM_RUN_FINISHED. Returns 0.
DWORD ProcessingWorker(LPVOID context) noexcept;
