#include "tools/embrel-batch/BlockPipe.h"

BlockPipe::BlockPipe(int blocks, std::size_t samplesPerBlock, bool integer) : storage(std::size_t(blocks))
{
    for (Block& b : storage) {
        b.samples.resize(samplesPerBlock);
        if (integer) b.words.resize(samplesPerBlock);
        empty.push_back(&b);
    }
}

BlockPipe::Block* BlockPipe::TakeEmpty()
{
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return givenUp || !empty.empty(); });
    if (givenUp) return nullptr;
    Block* b = empty.front();
    empty.pop_front();
    return b;
}

void BlockPipe::PutFull(Block* block)
{
    std::lock_guard lock(mutex);
    full.push_back(block);
    changed.notify_all();
}

void BlockPipe::Finish()
{
    std::lock_guard lock(mutex);
    finished = true;
    changed.notify_all();
}

BlockPipe::Block* BlockPipe::TakeFull()
{
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return finished || !full.empty(); });
    if (full.empty()) return nullptr;
    Block* b = full.front();
    full.pop_front();
    return b;
}

void BlockPipe::PutEmpty(Block* block)
{
    std::lock_guard lock(mutex);
    empty.push_back(block);
    changed.notify_all();
}

void BlockPipe::GiveUp()
{
    std::lock_guard lock(mutex);
    givenUp = true;
    changed.notify_all();
}
