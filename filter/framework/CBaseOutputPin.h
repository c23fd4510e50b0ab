#pragma once

#include "filter/framework/CBasePin.h"

// An output pin that delivers samples through the connected pin's IMemInputPin,
// on an allocator decided at connection.
class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(LPCWSTR objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* phr, LPCWSTR pinName) noexcept;
    ~CBaseOutputPin() override;

    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT Active() override;
    HRESULT Inactive() override;

    // Flow control belongs to input pins.
    HRESULT EndOfStream() override { return E_UNEXPECTED; }
    HRESULT BeginFlush() override { return E_UNEXPECTED; }
    HRESULT EndFlush() override { return E_UNEXPECTED; }

    virtual HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator);
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;

    HRESULT Deliver(IMediaSample* sample);
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();
    HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    IMemAllocator* Allocator() const noexcept { return allocator; }
    IMemInputPin* ConnectedInputPin() const noexcept { return inputPin; }
    // Replaces the allocator (with a reference), or drops it with null.
    void SetAllocator(IMemAllocator* newAllocator) noexcept;

protected:
    IMemAllocator* allocator = nullptr;
    IMemInputPin* inputPin = nullptr;
};
