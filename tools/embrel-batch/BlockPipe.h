#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

// Blocks of samples on their way from the thread that makes them to the thread that writes
// them, so decoding and embreling run beside encoding. A fixed set of blocks goes round:
// the maker takes an empty one and puts it back full, the writer the other way round.
class BlockPipe {
public:
    struct Block {
        std::vector<float> samples;
        std::vector<std::int32_t> words;  // the samples as integers, for integer outputs
        long long frames = 0;
    };

    BlockPipe(int blocks, std::size_t samplesPerBlock, bool integer);

    // An empty block for the maker; nullptr once the writer has given up.
    Block* TakeEmpty();
    void PutFull(Block* block);
    // The maker has put its last block.
    void Finish();

    // The next full block for the writer; nullptr after the last one.
    Block* TakeFull();
    void PutEmpty(Block* block);
    // The writer stops taking blocks (a write failed).
    void GiveUp();

private:
    std::vector<Block> storage;
    std::deque<Block*> empty, full;
    bool finished = false;
    bool givenUp = false;
    std::mutex mutex;
    std::condition_variable changed;
};
