#pragma once

#include "filter/framework/CBaseOutputPin.h"

class CTransformFilter;

// The output pin of a transform filter: its id is "Out"; negotiation goes to the filter.
class CTransformOutputPin : public CBaseOutputPin {
public:
    CTransformOutputPin(LPCWSTR objectName, CTransformFilter* filter, HRESULT* phr, LPCWSTR pinName) noexcept;

    HRESULT QueryId(LPWSTR* Id) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

protected:
    CTransformFilter* transformFilter;
};
