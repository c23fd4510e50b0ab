#pragma once

// Levels handed from the run's progress messages to the level meters: slot 0 input, slot 1
// output. Read and written under the main window's run lock.
struct LevelSlot {
    int current = -100;  // dB
    int held = -100;     // dB
    int over = 0;        // the held level is above the clip threshold
    int read = 0;        // the meter has read the slot since it was last written
};

struct LevelExchange {
    LevelSlot entries[2];

    void Reset() noexcept
    {
        entries[0] = LevelSlot{};
        entries[1] = LevelSlot{};
    }
};
