#pragma once

#include <vector>

#include "filter/host/CAudioRenderer.h"

// Keeps every byte it receives, with the discontinuity flag of each sample.
class CMemoryRenderer final : public CAudioRenderer {
public:
    // With one reference.
    static CMemoryRenderer* CreateInstance() noexcept;

    HRESULT OnReceive(const BYTE* data, long length, bool discontinuity) override;
    HRESULT OnEndOfStream() override;

    // Read these while no samples flow.
    std::vector<BYTE> Bytes();
    std::vector<bool> Discontinuities();
    int EndOfStreamCount();

private:
    CMemoryRenderer() noexcept;

    std::vector<BYTE> bytes;
    std::vector<bool> discontinuities;
    int endOfStreamCount = 0;
};
