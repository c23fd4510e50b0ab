#pragma once

#include <atomic>
#include <thread>

#include "filter/framework/CBaseOutputPin.h"

class CWavSource;

// The output pin of the WAV source, with the streaming thread.
class CWavSourcePin final : public CBaseOutputPin {
public:
    CWavSourcePin(CWavSource* source, CCritSec* lock) noexcept;
    ~CWavSourcePin() override;

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** result) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT Active() override;
    HRESULT Inactive() override;
    void Seek(LONGLONG frame) noexcept { seekFrame = frame < 0 ? 0 : frame; }

private:
    void Stream();

    CWavSource* source;
    IMemAllocator* ownAllocator;
    std::thread thread;
    std::atomic<bool> stopRequested{false};
    std::atomic<LONGLONG> seekFrame{-1};
};
