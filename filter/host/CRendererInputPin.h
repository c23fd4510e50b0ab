#pragma once

#include "filter/framework/CBaseInputPin.h"

class CAudioRenderer;

class CRendererInputPin final : public CBaseInputPin {
public:
    CRendererInputPin(CAudioRenderer* renderer, CCritSec* lock) noexcept;

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT Receive(IMediaSample* pSample) override;
    HRESULT EndOfStream() override;

private:
    CAudioRenderer* renderer;
};
