#pragma once

#include "filter/host/CAudioRenderer.h"

// The downstream end of the element's filter chain: takes each sample the filter
// delivers and remembers where it was, so the chain can check that the filter passed
// on the very memory it was given.
class CGstSinkRenderer final : public CAudioRenderer {
public:
    // With one reference.
    static CGstSinkRenderer* CreateInstance() noexcept;

    HRESULT OnReceive(const BYTE* data, long length, bool discontinuity) override;
    HRESULT OnEndOfStream() override { return S_OK; }

    // Forgets the last delivery.
    void Expect() noexcept;
    bool Delivered(const BYTE* data, long length) const noexcept;

private:
    CGstSinkRenderer() noexcept;

    const BYTE* lastData = nullptr;
    long lastLength = -1;
};
