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

// The first block of a listening run, on the run start's thread once the player is open
// and its buffers allocated: read, block step, write (if writing), WM_RUN_PROGRESS (0,
// frames), then queue it at the full block size, a short block padded with silence.
// The caller checks the player's errorFlag.
void PrimePlayer(const WorkerContext& context) noexcept;

// Thread procedure of a run (context: a WorkerContext*). Offline: reads, processes and
// writes block after block under the run lock, posting WM_RUN_PROGRESS for each block,
// until a short block, a stop, and posts WM_RUN_FINISHED. Listening: the same, but each
// block waits for the block event (a buffer back from the device), is queued at the
// player, and progress carries the count of late buffers; at the end the last two buffers
// get up to one block's duration each to play out. Returns 0.
DWORD ProcessingWorker(LPVOID context) noexcept;
